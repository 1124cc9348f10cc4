#include "runtime/timers.h"

#include <gtest/gtest.h>

#include <limits>

#include "core/runtime/loop_rig.h"

namespace dopplex {
namespace {

using test::LoopRig;
using test::Ran;

// One step of a timer scenario: at `t` start or stop a timer, or hold the thread.
struct Step {
    enum Kind { Start, Stop, Busy, Restart, Log } kind;
    std::int64_t t;
    int arg;                  // timer id, or busy milliseconds
    std::int64_t busy_ms = 0; // after a restart
};

struct TickCase {
    const char* name;
    std::vector<Step> steps;
    std::int64_t until;
    std::vector<Ran> expected;
};

class TimerTicks : public ::testing::TestWithParam<TickCase> {};

TEST_P(TimerTicks, ArriveOnTheirPhaseOneAtATime) {
    LoopRig rig;
    for (const Step& s : GetParam().steps) {
        rig.at(s.t, [&rig, s] {
            switch (s.kind) {
            case Step::Start:
                rig.loop.timers().start(s.arg, rig.host.now());
                break;
            case Step::Stop:
                rig.log("stop" + std::to_string(s.arg));
                rig.loop.timers().stop(s.arg);
                break;
            case Step::Busy:
                rig.log("busy");
                rig.host.wait(s.arg);
                break;
            case Step::Restart:
                rig.log("restart" + std::to_string(s.arg));
                rig.loop.timers().stop(s.arg);
                rig.loop.timers().start(s.arg, rig.host.now());
                rig.host.wait(s.busy_ms);
                break;
            case Step::Log:
                rig.log("event");
                break;
            }
        });
    }
    rig.loop.run(GetParam().until);
    EXPECT_EQ(rig.ran, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Runtime, TimerTicks,
    ::testing::Values(
        TickCase{"EveryFiveHundredMs",
                 {{Step::Start, 100, 1}},
                 1700,
                 {{"tick1", 600}, {"tick1", 1100}, {"tick1", 1600}}},
        TickCase{"MissedPeriodsMergeIntoOneTickAndThePhaseStays",
                 {{Step::Start, 0, 0}, {Step::Busy, 100, 1700}},
                 2600,
                 {{"busy", 100}, {"tick0", 1800}, {"tick0", 2000}, {"tick0", 2500}}},
        TickCase{
            "EachTimerMergesOnItsOwnAndTheyComeInDueOrder",
            {{Step::Start, 0, 4}, {Step::Start, 100, 1}, {Step::Busy, 150, 1300}},
            1700,
            {{"busy", 150}, {"tick4", 1450}, {"tick1", 1450}, {"tick4", 1500}, {"tick1", 1600}}},
        TickCase{"StartingARunningTimerKeepsItsPhase",
                 {{Step::Start, 0, 3}, {Step::Start, 300, 3}, {Step::Start, 700, 3}},
                 1100,
                 {{"tick3", 500}, {"tick3", 1000}}},
        TickCase{"AStoppedTimerStartsOnANewPhase",
                 {{Step::Start, 0, 5}, {Step::Stop, 600, 5}, {Step::Start, 800, 5}},
                 1900,
                 {{"tick5", 500}, {"stop5", 600}, {"tick5", 1300}, {"tick5", 1800}}},
        TickCase{"AStopQueuedBeforeThePendingTickDropsIt",
                 // The tick fell due at 500 while the thread was busy; the stop arrived at
                 // 400, so it runs first and the tick is never delivered.
                 {{Step::Start, 0, 2}, {Step::Busy, 100, 800}, {Step::Stop, 400, 2}},
                 2000,
                 {{"busy", 100}, {"stop2", 900}}},
        TickCase{"ATickDueBeforeAQueuedStopIsStillDelivered",
                 {{Step::Start, 0, 2}, {Step::Busy, 100, 800}, {Step::Stop, 600, 2}},
                 2000,
                 {{"busy", 100}, {"tick2", 900}, {"stop2", 900}}},
        TickCase{
            "ARestartDropsTheOldTickAndTheNewOneKeepsItsPlace",
            // The tick of 500 is dropped by the restart at 700; the new phase's tick of
            // 1200 comes after the event of 1000.
            {{Step::Start, 0, 2},
             {Step::Busy, 100, 600},
             {Step::Restart, 400, 2, 600},
             {Step::Log, 1000, 0}},
            1800,
            {{"busy", 100}, {"restart2", 700}, {"event", 1300}, {"tick2", 1300}, {"tick2", 1700}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Timers, APendingTickIsNotCountedTwice) {
    Timers timers(2);
    timers.start(0, 0);
    EXPECT_EQ(timers.collect(1400).size(), 1u);
    EXPECT_TRUE(timers.collect(1600).empty()); // 1500 merges into the undelivered tick
    timers.delivered(0);
    EXPECT_EQ(timers.next_due(), 2000);
    const auto due = timers.collect(2000);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].stamp, 2000);
}

// Every tick holds the thread longer than a period, so the next one is always overdue.
TEST(Timers, NoTickFallsDueAfterTheLastDueTime) {
    LoopRig rig;
    rig.loop.set_tick_handler([&rig](int) {
        rig.log("tick");
        rig.host.wait(800);
    });
    rig.at(0, [&rig] { rig.loop.timers().start(0, 0); });
    rig.loop.timers().set_last_due(1500);
    rig.loop.run(1500);
    EXPECT_EQ(rig.ran, (std::vector<Ran>{{"tick", 500}, {"tick", 1300}, {"tick", 2100}}));
}

TEST(ClockEnd, TimesNearItStayThereInsteadOfWrappingIntoThePast) {
    constexpr std::int64_t kEnd = std::numeric_limits<std::int64_t>::max();
    Timers timers(1);
    timers.start(0, kEnd - 100);
    EXPECT_EQ(timers.next_due(), kEnd);
    EXPECT_EQ(timers.collect(kEnd).size(), 1u);

    VirtualHost host;
    std::vector<std::int64_t> opened;
    host.on_report([&](const VirtualHost::Report& r) { opened.push_back(r.t); });
    host.set_report_ms(kEnd);
    host.wait(1000);
    host.report("Open for ever.");
    EXPECT_EQ(host.now(), kEnd);
    host.wait(kEnd);
    EXPECT_EQ(host.now(), kEnd);
    // The listener takes each report; nothing piles up in a long run.
    EXPECT_EQ(opened, std::vector<std::int64_t>{1000});
    EXPECT_TRUE(host.reports().empty());
}

} // namespace
} // namespace dopplex
