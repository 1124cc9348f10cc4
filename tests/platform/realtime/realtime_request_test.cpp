#include "realtime/realtime_request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dopplex::realtime {
namespace {

struct Answers {
    std::string limit, fifo, rtkit, lock; // empty: the call succeeds
};

struct DecisionCase {
    std::string name;
    Answers answers;
    std::vector<std::string> calls; // in the order made
    bool realtime;
    std::string how;
    std::string why;
    bool memory_locked;
};

class Decision : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(Decision, AsksInOrderAndSaysWhenItCouldNot) {
    const DecisionCase& row = GetParam();
    std::vector<std::string> calls;
    const auto answer = [&](const char* call, const std::string& text) {
        calls.push_back(call);
        return text;
    };
    const LinuxCalls injected{
        [&] { return answer("rttime", row.answers.limit); },
        [&](int priority) {
            return answer(("fifo " + std::to_string(priority)).c_str(), row.answers.fifo);
        },
        [&](int priority) {
            return answer(("rtkit " + std::to_string(priority)).c_str(), row.answers.rtkit);
        },
        [&] { return answer("mlockall", row.answers.lock); },
    };
    const Outcome outcome = request_linux(injected, kEnginePriority);
    EXPECT_EQ(calls, row.calls);
    EXPECT_EQ(outcome.realtime, row.realtime);
    EXPECT_EQ(outcome.how, row.how);
    EXPECT_EQ(outcome.why, row.why);
    EXPECT_EQ(outcome.memory_locked, row.memory_locked);
    EXPECT_EQ(outcome.note(), row.realtime ? "" : "timing: normal priority");
}

INSTANTIATE_TEST_SUITE_P(
    Realtime, Decision,
    ::testing::Values(
        DecisionCase{"RootOrCapability",
                     {},
                     {"rttime", "fifo 10", "mlockall"},
                     true,
                     "SCHED_FIFO 10",
                     "",
                     true},
        DecisionCase{"DesktopUserThroughRealtimeKit",
                     {"", "EPERM, Operation not permitted", "", "RLIMIT_MEMLOCK is finite"},
                     {"rttime", "fifo 10", "rtkit 10", "mlockall"},
                     true,
                     "RealtimeKit 10",
                     "",
                     false},
        DecisionCase{"NeitherWay",
                     {"", "EPERM, Operation not permitted", "The name is not activatable", ""},
                     {"rttime", "fifo 10", "rtkit 10"},
                     false,
                     "",
                     "SCHED_FIFO: EPERM, Operation not permitted; RealtimeKit: The name is not "
                     "activatable",
                     false},
        DecisionCase{"NoRunawayLimitNoPriority",
                     {"setrlimit: EPERM, Operation not permitted", "", "", ""},
                     {"rttime"},
                     false,
                     "",
                     "no CPU-time limit for a runaway (setrlimit: EPERM, Operation not permitted)",
                     false}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace dopplex::realtime
