#include "runtime/event_loop.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "core/runtime/loop_rig.h"

namespace dopplex {
namespace {

using test::LoopRig;
using test::Ran;

struct OpenReportCase {
    const char* name;
    std::int64_t report_ms;
    std::vector<Ran> expected;
};

class OpenReport : public ::testing::TestWithParam<OpenReportCase> {};

// A handler fails at 200; meanwhile updates, ticks and clicks keep arriving.
TEST_P(OpenReport, ServesUpdatesAndTicksButInputWaitsUntilItCloses) {
    LoopRig rig;
    rig.host.set_report_ms(GetParam().report_ms);
    rig.at(0, [&] { rig.loop.timers().start(1, rig.host.now()); });
    rig.at(100, [&] {
        rig.host.wait(100);
        throw std::runtime_error("boom");
    });
    rig.post(EventKind::Input, "click", 250);
    rig.post(EventKind::Link, "update", 300);
    rig.post(EventKind::Input, "key", 350);
    rig.post(EventKind::Link, "update2", 700);
    rig.loop.run(1200);
    ASSERT_EQ(rig.host.reports().size(), 1u);
    EXPECT_EQ(rig.host.reports()[0].t, 200);
    EXPECT_EQ(rig.host.reports()[0].text, "boom.");
    EXPECT_EQ(rig.ran, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Runtime, OpenReport,
                         ::testing::Values(OpenReportCase{"ClosedAtOnce",
                                                          0,
                                                          {{"click", 250},
                                                           {"update", 300},
                                                           {"key", 350},
                                                           {"tick1", 500},
                                                           {"update2", 700},
                                                           {"tick1", 1000}}},
                                           OpenReportCase{"OpenForASecond",
                                                          1000,
                                                          {{"update", 300},
                                                           {"tick1", 500},
                                                           {"update2", 700},
                                                           {"tick1", 1000},
                                                           {"click", 1200},
                                                           {"key", 1200}}},
                                           OpenReportCase{"OpenUntilBetweenTwoTicks",
                                                          600,
                                                          {{"update", 300},
                                                           {"tick1", 500},
                                                           {"update2", 700},
                                                           {"click", 800},
                                                           {"key", 800},
                                                           {"tick1", 1000}}}),
                         [](const auto& info) { return std::string(info.param.name); });

// A stage fired from a handler reports its own error while it is being delivered; the handler
// that fired it then goes on with its next action.
TEST(NestedStage, ReportsItsErrorAndTheFiringHandlerGoesOn) {
    LoopRig rig;
    rig.host.set_report_ms(500);
    rig.at(0, [&] {
        rig.log("tune");
        rig.host.wait(200);
        rig.loop.guarded([&] {
            rig.log("stage");
            throw std::runtime_error("'12.5' is not a valid integer value");
            rig.log("stage end"); // never reached
        });
        rig.log("next stage");
        rig.host.wait(400);
        rig.log("tune end");
    });
    rig.post(EventKind::Input, "click", 100);
    rig.post(EventKind::Link, "update", 300);
    rig.post(EventKind::Link, "update2", 900);
    rig.loop.run(3000);
    EXPECT_EQ(rig.report_texts(),
              (std::vector<std::string>{"'12.5' is not a valid integer value."}));
    EXPECT_EQ(rig.host.reports()[0].t, 200);
    // The update at 300 is served inside the open report; the one at 900 arrived while the
    // firing handler was waiting again, so it waits for the handler's end like the click.
    EXPECT_EQ(rig.ran, (std::vector<Ran>{{"tune", 0},
                                         {"stage", 200},
                                         {"update", 300},
                                         {"next stage", 700},
                                         {"tune end", 1100},
                                         {"click", 1100},
                                         {"update2", 1100}}));
}

// "first" fails at 0, "second" at 100; each report stays open for 400 ms.
void fail_twice(LoopRig& rig) {
    rig.host.set_report_ms(400);
    rig.at(0, [] { throw std::runtime_error("first"); });
    rig.loop.post(
        EventKind::Link, [] { throw std::runtime_error("second"); }, 100);
}

// A report never opens inside another: an error raised while one is open waits its turn, so
// the depth stays one however long the operator leaves the report open.
TEST(NestedStage, AnErrorRaisedWhileAReportIsOpenWaitsForIt) {
    LoopRig rig;
    fail_twice(rig);
    rig.post(EventKind::Link, "update", 300);
    rig.post(EventKind::Input, "click", 50);
    rig.loop.run(2000);
    ASSERT_EQ(rig.host.reports().size(), 2u);
    EXPECT_EQ(rig.host.reports()[0].t, 0);
    EXPECT_EQ(rig.host.reports()[1].t, 400);
    EXPECT_EQ(rig.report_texts(), (std::vector<std::string>{"first.", "second."}));
    EXPECT_EQ(rig.host.deepest_report(), 1);
    ASSERT_EQ(rig.host.held_reports().size(), 1u);
    EXPECT_EQ(rig.host.held_reports()[0].t, 100);
    EXPECT_EQ(rig.host.held_reports()[0].how, ReportHold::Queued);
    // The waiting report opens as the first closes at 400 and closes at 800: input waits for
    // both.
    EXPECT_EQ(rig.ran, (std::vector<Ran>{{"update", 300}, {"click", 800}}));
}

// Closing the program while a report is open shows none of those waiting behind it.
TEST(NestedStage, ClosingShowsNoWaitingReport) {
    LoopRig rig;
    fail_twice(rig);
    rig.loop.post(
        EventKind::Link, [&] { rig.loop.quit(); }, 200);
    rig.loop.run();
    EXPECT_EQ(rig.report_texts(), (std::vector<std::string>{"first."}));
}

// After a report closes (each stays open 1 s), the feed raising the same text again within 10 s
// opens none: the status line counts it. The operator's own input, another text, or the same
// text 10 s after the close opens one.
struct RepeatCase {
    const char* name;
    std::vector<std::pair<EventKind, std::int64_t>> failures; // each raises "bad"
    bool failing_ticks;                                       // every 500 ms up to 2500
    std::vector<std::string> seen;                            // "<t> <text> report|<how>"
    const char* status_line;
};

void PrintTo(const RepeatCase& c, std::ostream* out) {
    *out << c.name;
}

class ReportRepeats : public ::testing::TestWithParam<RepeatCase> {};

TEST_P(ReportRepeats, TheFeedCannotReopenAClosedReportWithinTenSeconds) {
    LoopRig rig;
    rig.host.set_report_ms(1000);
    for (const auto& [kind, t] : GetParam().failures) {
        rig.loop.post(
            kind, [] { throw std::runtime_error("bad"); }, t);
    }
    rig.loop.post(
        EventKind::Link, [] { throw std::runtime_error("other"); }, 4000);
    if (GetParam().failing_ticks) {
        rig.loop.set_tick_handler([&](int) {
            if (rig.host.now() <= 2500) {
                throw std::runtime_error("bad");
            }
        });
        rig.loop.timers().start(0, 0);
    }
    rig.loop.run(30000);
    std::map<std::int64_t, std::string> seen;
    for (const auto& report : rig.host.reports()) {
        seen[report.t] = report.text + " report";
    }
    for (const auto& held : rig.host.held_reports()) {
        seen[held.t] = held.text + " " + ReportHoldName(held.how);
    }
    std::vector<std::string> lines;
    for (const auto& [t, what] : seen) {
        lines.push_back(std::to_string(t) + " " + what);
    }
    EXPECT_EQ(lines, GetParam().seen);
    EXPECT_EQ(rig.host.status_line(), GetParam().status_line);
}

INSTANTIATE_TEST_SUITE_P(
    Runtime, ReportRepeats,
    ::testing::Values(RepeatCase{"UpdatesWithinTenSecondsAreCounted",
                                 {{EventKind::Link, 0},
                                  {EventKind::Link, 2000},
                                  {EventKind::Link, 10900},
                                  {EventKind::Link, 11000}},
                                 false,
                                 {"0 bad. report", "2000 bad. after_close", "4000 other. report",
                                  "10900 bad. after_close", "11000 bad. report"},
                                 "bad: 2 more in the last 10 s"},
                      RepeatCase{"TheOperatorsClickAlwaysShows",
                                 {{EventKind::Link, 0}, {EventKind::Input, 2000}},
                                 false,
                                 {"0 bad. report", "2000 bad. report", "4000 other. report"},
                                 ""},
                      RepeatCase{"TicksAreCountedToo",
                                 {},
                                 true,
                                 {"500 bad. report", "1000 bad. repeat", "1500 bad. repeat",
                                  "2000 bad. after_close", "2500 bad. after_close",
                                  "4000 other. report"},
                                 "bad: 2 more in the last 10 s"}),
    [](const auto& info) { return std::string(info.param.name); });

// One report open; a new text waits in order, a repeat of one open or waiting is counted, and
// past the limit a text is dropped, its count shown after the rest.
TEST(Queue, NewTextsWaitRepeatsAreCountedAndPastTheLimitDropped) {
    ReportQueue queue;
    EXPECT_EQ(queue.offer("A"), std::nullopt);
    EXPECT_EQ(queue.offer("A"), ReportHold::Repeat);
    std::vector<std::string> waiting;
    for (std::size_t i = 0; i < ReportQueue::kQueueLimit; ++i) {
        waiting.push_back("q" + std::to_string(i));
        EXPECT_EQ(queue.offer(waiting.back()), ReportHold::Queued);
    }
    EXPECT_EQ(queue.offer("q0"), ReportHold::Repeat);
    EXPECT_EQ(queue.offer("x"), ReportHold::Dropped);
    EXPECT_EQ(queue.offer("x"), ReportHold::Dropped);
    for (const std::string& text : waiting) {
        EXPECT_EQ(queue.next(), text);
    }
    EXPECT_EQ(queue.next(), "Error messages not shown: 2.");
    EXPECT_EQ(queue.next(), std::nullopt);
    EXPECT_EQ(queue.offer("A"), std::nullopt); // none open: shown at once again
}

} // namespace
} // namespace dopplex
