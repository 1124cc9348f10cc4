// The page's endpoints against a running dopplexd: the token off this machine, a nudge that
// reaches the port and the offset, and Stop cutting a Tune short.
#include "running_daemon.h"

#include <httplib.h>

#include <gmock/gmock.h>

namespace dopplex::test {
namespace {

constexpr int kRxUp = 0;

httplib::Headers action(const std::string& token = {}) {
    httplib::Headers headers{{"X-Dopplex", "1"}};
    if (!token.empty()) {
        headers.emplace("Authorization", "Bearer " + token);
    }
    return headers;
}

int status_of(const httplib::Result& result) {
    return result ? result->status : -1;
}

TEST(DopplexdPage, OffThisMachineEveryRequestNeedsTheToken) {
    RunningDaemon daemon("0.0.0.0");
    ASSERT_TRUE(daemon.printed_eventually("\"dopplexd --page-url\" prints the page's address"));
    const std::string url = daemon.page_url();
    const std::string token = url.substr(url.find("?token=") + 7, 32);
    ASSERT_EQ(token.size(), 32u) << url;
    ASSERT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos) << token;
    EXPECT_THAT(daemon.printed(), testing::Not(testing::HasSubstr(token)))
        << "the token is in the journal, which the page shows";
    httplib::Client page("127.0.0.1", daemon.page());
    RunningDaemon::tell(daemon.rig(), "F 145960500\n");
    ASSERT_TRUE(daemon.printed_eventually("transponder AO-91"));

    struct Row {
        const char* what;
        int status;
    };
    const Row rows[] = {
        {"GET / without", status_of(page.Get("/"))},
        {"GET /status with a wrong one",
         status_of(page.Get("/status?token=" + std::string(32, '0')))},
        {"POST /nudge without", status_of(page.Post("/nudge?side=rx&dir=up", action(), "", ""))},
        {"POST /clear-offsets with half of it",
         status_of(page.Post("/clear-offsets", action(token.substr(0, 16)), "", ""))},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.status, 403) << row.what;
    }
    EXPECT_EQ(daemon.rises(kRxUp), 0) << "a refused nudge pressed";

    EXPECT_EQ(status_of(page.Get("/?token=" + token)), 200);
    EXPECT_EQ(status_of(page.Post("/nudge?side=rx&dir=up", action(token), "", "")), 204);
    EXPECT_TRUE(eventually([&] { return daemon.rises(kRxUp) == 1; }));
    std::ifstream state(daemon.state_file());
    std::stringstream kept;
    kept << state.rdbuf();
    EXPECT_THAT(kept.str(), testing::HasSubstr("token = " + token));
}

TEST(DopplexdPage, ANudgeMovesTheRadioAndTheLearntOffset) {
    RunningDaemon daemon("127.0.0.1");
    httplib::Client page("127.0.0.1", daemon.page());
    EXPECT_EQ(status_of(page.Post("/nudge?side=rx&dir=up", action(), "", "")), 409)
        << "no transponder yet";
    RunningDaemon::tell(daemon.rig(), "F 145960500\n");
    ASSERT_TRUE(daemon.printed_eventually("transponder AO-91"));

    EXPECT_EQ(status_of(page.Post("/nudge?side=rx&dir=up", {}, "", "")), 403) << "no header";
    EXPECT_EQ(status_of(page.Post("/nudge?side=rx&dir=sideways", action(), "", "")), 400);
    EXPECT_EQ(status_of(page.Post("/nudge?side=rx&dir=up", action(), "", "")), 204);
    EXPECT_EQ(status_of(page.Post("/nudge?side=tx&dir=down", action(), "", "")), 204);
    EXPECT_TRUE(eventually([&] { return daemon.rises(kRxUp) == 1 && daemon.rises(5) == 1; }));
    const httplib::Result status = page.Get("/status");
    ASSERT_TRUE(status);
    EXPECT_THAT(status->body, testing::HasSubstr("\"offset_hz\":100,\"behind_steps\":0,"));
    EXPECT_THAT(status->body, testing::HasSubstr("\"offset_hz\":-100,\"behind_steps\":0,"));
    EXPECT_TRUE(daemon.printed_eventually("nudge TX down: offset -100 Hz"));
    std::ifstream state(daemon.state_file());
    std::stringstream kept;
    kept << state.rdbuf();
    EXPECT_THAT(kept.str(), testing::HasSubstr("[offsets AO-91]\nrx = 100\ntx = -100\n"));
}

TEST(DopplexdPage, StopCutsTheTuneAtAos) {
    RunningDaemon daemon("127.0.0.1");
    httplib::Client page("127.0.0.1", daemon.page());
    // 10 kHz above the reference: a Tune of 100 pulses, 40 s.
    RunningDaemon::tell(daemon.rig(), "F 145970000\n");
    ASSERT_TRUE(daemon.printed_eventually("transponder AO-91"));
    RunningDaemon::tell(daemon.rotator(), "P 100 5\n");
    ASSERT_TRUE(eventually([&] { return daemon.rises(kRxUp) >= 2; }));
    EXPECT_EQ(status_of(page.Post("/stop", action(), "", "")), 204);
    ASSERT_TRUE(daemon.printed_eventually("RX: Stopped: "));
    const std::string text = daemon.printed();
    const int sent = std::atoi(text.c_str() + text.find("RX: Stopped: ") + 13);
    const bool cut = text.find("pulses sent, one more cut short") != std::string::npos;
    EXPECT_LT(sent, 100);
    EXPECT_EQ(daemon.rises(kRxUp), sent + (cut ? 1 : 0));
}

// In closed mode the loop starts by itself at AOS at the transponder's own step and timing: 500 Hz
// above the reference is 20 presses of 25 Hz, and no more.
TEST(DopplexdClosedLoop, StartsAtAosAtTheTranspondersStep) {
    RunningDaemon daemon("127.0.0.1", "tracking = closed\n",
                         "rx_step = 25\nrx_press_ms = 60\nrx_gap_ms = 60\n");
    RunningDaemon::tell(daemon.rig(), "F 145960500\n");
    ASSERT_TRUE(daemon.printed_eventually("transponder AO-91"));
    RunningDaemon::tell(daemon.rotator(), "P 100 5\n");
    ASSERT_TRUE(daemon.printed_eventually("closed loop started at AOS"));
    EXPECT_TRUE(eventually([&] { return daemon.rises(kRxUp) == 20; })) << daemon.rises(kRxUp);
    std::this_thread::sleep_for(std::chrono::seconds(2)); // a 21st press would be out by now
    EXPECT_EQ(daemon.rises(kRxUp), 20);
    EXPECT_EQ(daemon.rises(kRxUp + 1), 0);
}

} // namespace
} // namespace dopplex::test
