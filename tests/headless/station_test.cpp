// dopplexd's station against the running program: nudges and the state file they keep (bounded,
// stoppable, refused when the state cannot be kept, read again at a restart), the end of a pass
// at the relay's LOS with the page's Reset around it, and a configuration that cannot be read.
#include "case_name.h"
#include "running_daemon.h"

#include <httplib.h>

#include <gmock/gmock.h>

namespace dopplex::test {
namespace {

using testing::HasSubstr;

constexpr int kRxUp = 0;
constexpr int kRxDown = 1;
constexpr auto npos = std::string::npos;
const httplib::Headers kAction{{"X-Dopplex", "1"}};

httplib::Result post(RunningDaemon& daemon, const std::string& path) {
    httplib::Client page("127.0.0.1", daemon.page());
    return page.Post(path, kAction, "", "");
}

std::string status(RunningDaemon& daemon) {
    httplib::Client page("127.0.0.1", daemon.page());
    const httplib::Result result = page.Get("/status");
    return result ? result->body : std::string();
}

std::string read_text(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string state_with_rx(std::int64_t rx_hz) {
    return "[offsets AO-91]\nrx = " + std::to_string(rx_hz) + "\ntx = 0\n";
}

struct NudgeCase {
    const char* name;
    bool closed;               // the closed loop, 60 ms presses; else classic
    std::int64_t rx_before_hz; // the learnt RX offset in the state at start
    int nudges;                // RX up, as fast as the page takes them
    bool stop;                 // Stop once the first press is out
    bool unwritable;           // the state file cannot be replaced
    bool unwritable_at_stop;   // ... from Stop on: Stop says the offsets were not kept
    bool reset_after_stop;     // the page's Reset undoes exactly the presses that went out
    int last_status;
    const char* last_reason; // part of the last answer's text
};

constexpr const char* kClosed = "tracking = closed\n";
constexpr const char* kShortPresses = "rx_press_ms = 60\nrx_gap_ms = 60\n";

class Nudges : public testing::TestWithParam<NudgeCase> {};

// The presses follow the offset the state keeps, and the state starts the next run.
TEST_P(Nudges, PressWhatTheStateKeeps) {
    const NudgeCase& row = GetParam();
    std::string kept;
    int pressed = 0;
    {
        RunningDaemon daemon("127.0.0.1", row.closed ? kClosed : "",
                             row.closed ? kShortPresses : "",
                             row.rx_before_hz ? state_with_rx(row.rx_before_hz) : "");
        RunningDaemon::tell(daemon.rig(), "F 145960500\n");
        ASSERT_TRUE(daemon.printed_eventually("transponder AO-91"));
        const std::filesystem::path blocker = daemon.state_file().string() + ".new";
        if (row.unwritable) {
            std::filesystem::create_directory(blocker);
        }
        int last_status = -1;
        std::string last_reason;
        for (int n = 0; n < row.nudges; ++n) {
            const httplib::Result answer = post(daemon, "/nudge?side=rx&dir=up");
            last_status = answer ? answer->status : -1;
            last_reason = answer ? answer->body : std::string();
        }
        EXPECT_EQ(last_status, row.last_status);
        EXPECT_THAT(last_reason, HasSubstr(row.last_reason));
        int at_stop = 0;
        if (row.stop) {
            ASSERT_TRUE(eventually([&] { return daemon.rises(kRxUp) >= 1; }));
            at_stop = daemon.rises(kRxUp);
            if (row.unwritable_at_stop) {
                std::filesystem::create_directory(blocker);
            }
            const httplib::Result answer = post(daemon, "/stop");
            ASSERT_TRUE(answer);
            EXPECT_EQ(answer->status, row.unwritable_at_stop ? 500 : 204) << answer->body;
            if (row.unwritable_at_stop) {
                EXPECT_THAT(answer->body, HasSubstr("could not be kept"));
                std::filesystem::remove(blocker);
                EXPECT_EQ(daemon.end(), 0);
                return; // the file holds the nudges, as the answer warned
            }
        }
        // A press takes 400 ms: two seconds would show any that follow.
        std::this_thread::sleep_for(std::chrono::seconds(2));
        pressed = daemon.rises(kRxUp);
        if (row.stop) {
            EXPECT_LE(pressed, at_stop + 1) << "presses went on after Stop";
        }
        const std::int64_t offset = row.rx_before_hz + 100 * pressed;
        EXPECT_THAT(status(daemon), HasSubstr("\"offset_hz\":" + std::to_string(offset)));
        if (row.reset_after_stop) {
            const httplib::Result answer = post(daemon, "/reset");
            ASSERT_TRUE(answer);
            EXPECT_EQ(answer->status, 204) << answer->body;
            EXPECT_TRUE(eventually([&] { return daemon.rises(kRxDown) >= pressed; }));
            std::this_thread::sleep_for(std::chrono::seconds(1));
            EXPECT_EQ(daemon.rises(kRxDown), pressed) << "Reset pressed other than what went out";
            EXPECT_THAT(status(daemon),
                        HasSubstr("\"dial_hz\":145960000,\"offset_hz\":" + std::to_string(offset)));
        }
        if (row.unwritable) {
            EXPECT_EQ(pressed, 0) << "pressed what the state could not keep";
            std::filesystem::remove(blocker);
        }
        EXPECT_EQ(daemon.end(), 0);
        kept = read_text(daemon.state_file());
        EXPECT_FALSE(std::filesystem::exists(blocker));
        if (offset != 0 || !kept.empty()) {
            EXPECT_THAT(kept, HasSubstr("rx = " + std::to_string(offset) + "\n"));
        }
    }
    RunningDaemon again("127.0.0.1", row.closed ? kClosed : "", row.closed ? kShortPresses : "",
                        kept);
    RunningDaemon::tell(again.rig(), "F 145960500\n");
    EXPECT_TRUE(again.printed_eventually("offsets RX " +
                                         std::to_string(row.rx_before_hz + 100 * pressed) + " Hz"))
        << again.printed();
}

INSTANTIATE_TEST_SUITE_P(
    Station, Nudges,
    testing::Values(NudgeCase{"each_pressed", false, 0, 3, false, false, false, false, 204, ""},
                    NudgeCase{"stop_ends_a_burst", false, 0, 40, true, false, false, false, 204,
                              ""},
                    NudgeCase{"stop_ends_a_burst_the_closed_loop_holds", true, 0, 40, true, false,
                              false, false, 204, ""},
                    NudgeCase{"reset_after_stop_undoes_what_went_out", false, 0, 10, true, false,
                              false, true, 204, ""},
                    NudgeCase{"reset_after_stop_undoes_what_the_closed_loop_pressed", true, 0, 40,
                              true, false, false, true, 204, ""},
                    NudgeCase{"stop_says_when_the_state_cannot_be_kept", false, 0, 40, true, false,
                              true, false, 204, ""},
                    NudgeCase{"stop_says_when_the_closed_loops_offsets_cannot_be_kept", true, 0, 40,
                              true, false, true, false, 204, ""},
                    NudgeCase{"refused_past_the_limit", false, 999'900, 2, false, false, false,
                              false, 409, "beyond the 1000000 Hz"},
                    NudgeCase{"refused_when_the_state_cannot_be_kept", false, 0, 1, false, true,
                              false, false, 500, "nothing pressed"}),
    [](const auto& info) { return case_name(info.param.name, info.index); });

// A state file that cannot be used is set aside and told of; the station starts without offsets.
TEST(DopplexdState, OneThatCannotBeUsedIsSetAside) {
    for (const char* rx : {"99999999999999999999", "5000000"}) {
        RunningDaemon daemon("127.0.0.1", "", "",
                             "[offsets AO-91]\nrx = " + std::string(rx) + "\ntx = 0\n");
        EXPECT_TRUE(
            daemon.printed_eventually("set aside as " + daemon.state_file().string() + ".bad-"))
            << rx;
        RunningDaemon::tell(daemon.rig(), "F 145960500\n");
        EXPECT_TRUE(daemon.printed_eventually("offsets RX 0 Hz")) << daemon.printed();
    }
}

// The relay's LOS ends the pass on that update; the page's Reset runs only when it can.
TEST(DopplexdPass, EndsAtTheRelaysLos) {
    RunningDaemon daemon("127.0.0.1");
    EXPECT_THAT(daemon.printed(), HasSubstr(", 1 transponder\n"));
    struct Refusal {
        const char* when;
        std::function<void()> before;
        const char* reason;
    };
    const Refusal refusals[] = {
        {"before a transponder", [] {}, "no transponder chosen yet"},
        {"in a classic pass",
         [&] {
             RunningDaemon::tell(daemon.rig(), "F 145960500\n");
             RunningDaemon::tell(daemon.rotator(), "P 100 5\n");
             ASSERT_TRUE(daemon.printed_eventually("AOS: AO-91"));
         },
         "the satellite is up"},
    };
    for (const Refusal& row : refusals) {
        row.before();
        const httplib::Result answer = post(daemon, "/reset");
        ASSERT_TRUE(answer) << row.when;
        EXPECT_EQ(answer->status, 409) << row.when;
        EXPECT_THAT(answer->body, HasSubstr(row.reason)) << row.when;
    }
    EXPECT_THAT(daemon.printed(), testing::Not(HasSubstr("Reset: both radios")));
    ASSERT_TRUE(eventually([&] { return daemon.rises(kRxUp) == 5; })); // the Tune at AOS

    RunningDaemon::tell(daemon.rig(), "LOS\n");
    EXPECT_TRUE(eventually([&] { return status(daemon).find("\"in_pass\":false") != npos; }));
    EXPECT_TRUE(daemon.printed_eventually("end of pass: AO-91\n"));
    EXPECT_TRUE(daemon.printed_eventually("Reset: both radios back to their references"));
}

// In the journal a side behind is one line when it starts and one when it ends; on the page the
// dial reads where the radio is, the learnt offset in it.
TEST(DopplexdJournal, ASideBehindIsToldOnceEachWay) {
    RunningDaemon daemon("127.0.0.1", kClosed,
                         "rx_press_ms = 30\nrx_gap_ms = 30\ntx_press_ms = 30\ntx_gap_ms = 30\n",
                         state_with_rx(100));
    RunningDaemon::tell(daemon.rig(), "F 145960500\n");
    RunningDaemon::tell(daemon.rig(), "I 435249500\n");
    ASSERT_TRUE(daemon.printed_eventually("transponder AO-91"));
    RunningDaemon::tell(daemon.rotator(), "P 100 5\n");
    ASSERT_TRUE(daemon.printed_eventually("closed loop started at AOS"));
    ASSERT_TRUE(eventually([&] { return status(daemon).find("\"behind_steps\":0,") != npos; }));
    RunningDaemon::tell(daemon.rig(), "F 145965500\n"); // 50 steps away
    EXPECT_TRUE(daemon.printed_eventually("RX caught up (it had been behind by "));
    EXPECT_TRUE(eventually([&] {
        return status(daemon).find("\"dial_hz\":145965600,\"offset_hz\":100") != npos;
    })) << status(daemon);
    const std::string text = daemon.printed();
    const auto count = [&text](const std::string& part) {
        int n = 0;
        for (std::size_t at = text.find(part); at != npos; at = text.find(part, at + 1)) {
            ++n;
        }
        return n;
    };
    EXPECT_GE(count("RX behind by "), 1);
    EXPECT_EQ(count("RX behind by "), count("RX caught up")) << text;
}

struct ClearCase {
    const char* name;
    const char* settings;
};

class ClearedOffsets : public testing::TestWithParam<ClearCase> {};

// Offsets cleared once the transponder is chosen hold for the coming pass: the radio follows the
// Doppler frequency itself, not the old offset away from it.
TEST_P(ClearedOffsets, HoldForTheComingPass) {
    RunningDaemon daemon("127.0.0.1", GetParam().settings, kShortPresses, state_with_rx(-700));
    RunningDaemon::tell(daemon.rig(), "F 145960500\n");
    ASSERT_TRUE(daemon.printed_eventually("offsets RX -700 Hz"));
    const httplib::Result answer = post(daemon, "/clear-offsets");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 204) << answer->body;
    RunningDaemon::tell(daemon.rotator(), "P 100 5\n");
    ASSERT_TRUE(daemon.printed_eventually("AOS: AO-91"));
    EXPECT_TRUE(eventually([&] {
        return status(daemon).find("\"dial_hz\":145960500,\"offset_hz\":0") != npos;
    })) << status(daemon);
}

INSTANTIATE_TEST_SUITE_P(Station, ClearedOffsets,
                         testing::Values(ClearCase{"classic", ""}, ClearCase{"closed", kClosed}),
                         [](const auto& info) { return case_name(info.param.name, info.index); });

struct ConfigCase {
    const char* name;
    const char* text; // none: --config names the scratch folder's `what` itself
    const char* what;
    const char* said;
};

class NamedConfig : public testing::TestWithParam<ConfigCase> {};

TEST_P(NamedConfig, StopsAndSaysWhere) {
    ScratchDir dir;
    const std::filesystem::path folder(dir.path());
    std::filesystem::path named = folder / GetParam().what;
    if (GetParam().text) {
        std::ofstream(named) << GetParam().text;
    } else if (std::string(GetParam().what) == "a-folder") {
        std::filesystem::create_directory(named);
    }
    int out[2];
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    const pid_t pid = spawn({DOPPLEXD_PATH, "--config", named.string(), "--state",
                             (folder / "state").string(), "--port", "trace:/dev/null"},
                            actions);
    close(out[1]);
    std::string printed;
    char chunk[4096];
    for (ssize_t n; (n = read(out[0], chunk, sizeof chunk)) > 0;) {
        printed.append(chunk, static_cast<std::size_t>(n));
    }
    close(out[0]);
    int exit_status = 0;
    waitpid(pid, &exit_status, 0);
    EXPECT_TRUE(WIFEXITED(exit_status) && WEXITSTATUS(exit_status) == 1) << printed;
    EXPECT_THAT(printed, HasSubstr(named.string() + GetParam().said));
}

INSTANTIATE_TEST_SUITE_P(
    Station, NamedConfig,
    testing::Values(
        ConfigCase{"missing", nullptr, "absent.conf", ": cannot be read: No such file"},
        ConfigCase{"a_folder", nullptr, "a-folder", ": a folder, not a configuration file"},
        ConfigCase{"bad_page", "[dopplexd]\npage = nowhere\n", "d.conf", ":2: page: "},
        ConfigCase{"bad_rig", "[dopplexd]\n\nrig = 127.0.0.1:99999\n", "d.conf", ":3: rig: "},
        ConfigCase{"bad_rotator", "[dopplexd]\nrotator = :4533\n", "d.conf", ":2: rotator: "}),
    [](const auto& info) { return case_name(info.param.name, info.index); });

} // namespace
} // namespace dopplex::test
