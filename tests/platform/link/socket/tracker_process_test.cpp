// The core conversation driven over the real socket against dopplex-tracker processes.
#include <gtest/gtest.h>

#include <filesystem>

#include "launcher/process_launcher.h"
#include "link/socket/socket_transport.h"
#include "logged_conversation.h"
#include "platform/link/socket/runtime_fixture.h"

namespace dopplex {
namespace {

using Clock = std::chrono::steady_clock;

class TrackerLink : public test::RuntimeDirTest {
protected:
    void SetUp() override {
        RuntimeDirTest::SetUp();
        transport = std::make_unique<link::SocketTransport>(dir_);
        launcher = std::make_unique<launch::ProcessLauncher>(socket_, test::kPatience);
        conv = test::logged_conversation(*transport, *launcher, queue, item, events);
        conv->ServiceApplication = "/nonexistent/orbitron";
    }
    void TearDown() override {
        conv.reset();
        RuntimeDirTest::TearDown();
    }
    std::size_t changes() const {
        return static_cast<std::size_t>(std::count_if(
            events.begin(), events.end(), [](auto& e) { return e.rfind("OnChange SN", 0) == 0; }));
    }
    bool starts_with(std::size_t i, const std::string& prefix) const {
        return i < events.size() && events[i].rfind(prefix, 0) == 0;
    }

    test::EventQueue queue;
    std::unique_ptr<link::SocketTransport> transport;
    std::unique_ptr<launch::ProcessLauncher> launcher;
    ClientItem item{kTrackerItem};
    std::unique_ptr<ClientConversation> conv;
    std::vector<std::string> events;
};

const std::vector<std::string> kFast = {"--interval", "50", "--lead-in", "5"};

TEST_F(TrackerLink, RunningTrackerOpensThenDeliversTexts) {
    start_tracker(kFast);
    EXPECT_TRUE(conv->OpenConversation());
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[0], "OnOpen");
    EXPECT_TRUE(starts_with(1, "OnChange SN\"AO-51\" AZ")) << events[1];
    EXPECT_TRUE(queue.pump_until([&] { return changes() >= 3; }));
    EXPECT_FALSE(conv->OpenConversation()) << "a second open while open";
}

TEST_F(TrackerLink, AbsentButLaunchableIsLaunchedAndOpens) {
    conv->ServiceApplication =
        "\"" + std::string(DOPPLEX_TRACKER_PATH) + "\" --interval 50 --lead-in 5";
    EXPECT_TRUE(conv->OpenConversation());
    EXPECT_GT(launcher->last_pid(), 0);
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[0], "OnOpen");
    EXPECT_TRUE(starts_with(1, "OnChange SN"));
    // The launcher's waiter thread reaps it; it removes its socket on the way out.
    kill(launcher->last_pid(), SIGTERM);
    EXPECT_TRUE(test::eventually([&] { return !std::filesystem::exists(socket_); }));
}

TEST_F(TrackerLink, AbsentAndNotLaunchable) {
    EXPECT_FALSE(conv->OpenConversation());
    EXPECT_EQ(events, std::vector<std::string>{"OnChange "});
    EXPECT_EQ(launcher->launch("/nonexistent/orbitron"), 2);
}

TEST_F(TrackerLink, TrackerQuittingClosesAndAClickReopensWithData) {
    const pid_t pid = start_tracker(kFast);
    ASSERT_TRUE(conv->OpenConversation());
    stop_tracker(pid);
    EXPECT_TRUE(queue.pump_until([&] { return events.back() == "OnClose"; }));
    EXPECT_FALSE(conv->connected());

    start_tracker(kFast);
    events.clear();
    EXPECT_TRUE(conv->OpenConversation());
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[0], "OnOpen");
    EXPECT_TRUE(starts_with(1, "OnChange SN"));
    EXPECT_TRUE(queue.pump_until([&] { return changes() >= 3; }));
}

TEST_F(TrackerLink, RefusedSubscriptionOpensWithoutData) {
    start_tracker({"--interval", "50", "--refuse-subscriptions"});
    EXPECT_TRUE(conv->OpenConversation());
    EXPECT_EQ(events, (std::vector<std::string>{"OnChange ", "OnOpen"}));
    EXPECT_FALSE(queue.pump_until([&] { return events.size() > 2; }, 300));
}

TEST_F(TrackerLink, RequestTimesOutAfterASecond) {
    start_tracker({"--interval", "50", "--ignore-requests"});
    const auto start = Clock::now();
    EXPECT_TRUE(conv->OpenConversation());
    const auto took = Clock::now() - start;
    EXPECT_EQ(events, std::vector<std::string>{"OnOpen"});
    EXPECT_GE(took, std::chrono::milliseconds(950));
    EXPECT_LT(took, std::chrono::milliseconds(2500));
}

TEST_F(TrackerLink, RefusedConnectionIsLaunchedOnceMore) {
    start_tracker({"--refuse-connections"});
    conv->ServiceApplication = "/bin/true";
    EXPECT_FALSE(conv->OpenConversation());
    EXPECT_EQ(events, std::vector<std::string>{"OnChange "});
    EXPECT_GT(launcher->last_pid(), 0) << "launched although a tracker was running";
}

} // namespace
} // namespace dopplex
