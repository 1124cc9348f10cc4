#include "runtime/event_loop.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "case_name.h"
#include "core/runtime/loop_rig.h"

namespace dopplex {
namespace {

using test::LoopRig;
using test::Ran;

struct Posted {
    EventKind kind;
    const char* what;
    std::int64_t t;
    std::int64_t busy_ms;
};

struct OrderCase {
    const char* name;
    std::vector<Posted> posts; // in posting order
    std::vector<Ran> expected;
};

class ArrivalOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(ArrivalOrder, HandlersRunOneAtATimeInArrivalOrder) {
    LoopRig rig;
    for (const Posted& p : GetParam().posts) {
        rig.post(p.kind, p.what, p.t, p.busy_ms);
    }
    rig.loop.run(10000);
    EXPECT_EQ(rig.ran, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Runtime, ArrivalOrder,
    ::testing::Values(
        OrderCase{"EachAtItsTime",
                  {{EventKind::Input, "a", 100, 0},
                   {EventKind::Link, "b", 250, 0},
                   {EventKind::Input, "c", 900, 0}},
                  {{"a", 100}, {"b", 250}, {"c", 900}}},
        OrderCase{"PostedOutOfOrderRunByStamp",
                  {{EventKind::Link, "late", 700, 0},
                   {EventKind::Input, "early", 300, 0},
                   {EventKind::Link, "middle", 500, 0}},
                  {{"early", 300}, {"middle", 500}, {"late", 700}}},
        OrderCase{"EqualStampsKeepPostingOrder",
                  {{EventKind::Link, "first", 400, 0},
                   {EventKind::Input, "second", 400, 0},
                   {EventKind::Link, "third", 400, 0}},
                  {{"first", 400}, {"second", 400}, {"third", 400}}},
        OrderCase{
            "ArrivalsDuringAWaitQueueAndFollowInArrivalOrder",
            {{EventKind::Input, "busy", 0, 1000},
             {EventKind::Link, "update", 600, 0},
             {EventKind::Input, "click", 200, 0},
             {EventKind::Link, "update2", 200, 0},
             {EventKind::Input, "after", 1500, 0}},
            {{"busy", 0}, {"click", 1000}, {"update2", 1000}, {"update", 1000}, {"after", 1500}}},
        OrderCase{"AQueuedHandlerThatWaitsDelaysTheRest",
                  {{EventKind::Input, "busy", 0, 400},
                   {EventKind::Input, "pulse", 100, 400},
                   {EventKind::Link, "update", 300, 0},
                   {EventKind::Link, "update2", 1000, 0}},
                  {{"busy", 0}, {"pulse", 400}, {"update", 800}, {"update2", 1000}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EventLoop, RunStopsAtItsTimeAndLeavesLaterEventsQueued) {
    LoopRig rig;
    rig.post(EventKind::Link, "now", 500);
    rig.post(EventKind::Link, "later", 2000);
    rig.loop.run(1000);
    EXPECT_EQ(rig.ran, (std::vector<Ran>{{"now", 500}}));
    EXPECT_EQ(rig.host.now(), 1000);
    rig.loop.run(3000);
    EXPECT_EQ(rig.ran, (std::vector<Ran>{{"now", 500}, {"later", 2000}}));
}

TEST(EventLoop, RunWithoutAnEndReturnsWhenNothingIsLeft) {
    LoopRig rig;
    rig.post(EventKind::Input, "only", 700, 300);
    rig.loop.run();
    EXPECT_EQ(rig.ran, (std::vector<Ran>{{"only", 700}}));
    EXPECT_EQ(rig.host.now(), 1000);
}

struct ErrorCase {
    const char* message;
    const char* shown;
};

class EscapingError : public ::testing::TestWithParam<ErrorCase> {};

// The error ends its handler where it was raised; nothing is undone and the loop goes on.
TEST_P(EscapingError, IsReportedWithTheFinalPeriodRuleAndTheLoopGoesOn) {
    LoopRig rig;
    rig.at(100, [&] {
        rig.log("before");
        rig.host.wait(200);
        throw std::runtime_error(GetParam().message);
    });
    rig.post(EventKind::Input, "next", 150);
    rig.loop.run(5000);
    ASSERT_EQ(rig.host.reports().size(), 1u);
    EXPECT_EQ(rig.host.reports()[0].t, 300);
    EXPECT_EQ(rig.host.reports()[0].text, GetParam().shown);
    EXPECT_EQ(rig.ran, (std::vector<Ran>{{"before", 100}, {"next", 300}}));
}

INSTANTIATE_TEST_SUITE_P(
    Runtime, EscapingError,
    ::testing::Values(ErrorCase{"Floating point overflow", "Floating point overflow."},
                      ErrorCase{"'12.5' is not a valid integer value",
                                "'12.5' is not a valid integer value."},
                      ErrorCase{"Tuning complete !", "Tuning complete !"},
                      ErrorCase{"done.", "done."}, ErrorCase{"(at most 10000)", "(at most 10000)"},
                      ErrorCase{"'Enter Freq E8'", "'Enter Freq E8'"}, ErrorCase{"", ""}),
    [](const auto& info) { return test::case_name(info.param.message, info.index); });

TEST(EventLoop, AnErrorInATickIsReportedAndTheTimerKeepsRunning) {
    LoopRig rig;
    rig.loop.set_tick_handler([&](int id) {
        rig.log("tick" + std::to_string(id));
        throw std::runtime_error("bad text");
    });
    rig.at(0, [&] { rig.loop.timers().start(2, rig.host.now()); });
    rig.loop.run(1200);
    EXPECT_EQ(rig.ran, (std::vector<Ran>{{"tick2", 500}, {"tick2", 1000}}));
    // The second tick's error comes within 10 s of the close: counted, not reopened.
    EXPECT_EQ(rig.report_texts(), (std::vector<std::string>{"bad text."}));
    ASSERT_EQ(rig.host.held_reports().size(), 1u);
    EXPECT_EQ(rig.host.held_reports()[0].how, ReportHold::AfterClose);
    EXPECT_TRUE(rig.loop.timers().running(2));
}

} // namespace
} // namespace dopplex
