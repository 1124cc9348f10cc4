#include "runtime/event_loop.h"

#include <gtest/gtest.h>

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

TEST(NestedStage, AReportOpenedInsideAReportIsServedToo) {
    LoopRig rig;
    rig.host.set_report_ms(400);
    rig.at(0, [&] { throw std::runtime_error("first"); });
    rig.loop.post(
        EventKind::Link, [&] { throw std::runtime_error("second"); }, 100);
    rig.post(EventKind::Link, "update", 300);
    rig.post(EventKind::Input, "click", 50);
    rig.loop.run(2000);
    ASSERT_EQ(rig.host.reports().size(), 2u);
    EXPECT_EQ(rig.host.reports()[0].t, 0);
    EXPECT_EQ(rig.host.reports()[1].t, 100);
    EXPECT_EQ(rig.report_texts(), (std::vector<std::string>{"first.", "second."}));
    // The inner report closes at 500, the outer one after it: input waits for both.
    EXPECT_EQ(rig.ran, (std::vector<Ran>{{"update", 300}, {"click", 500}}));
}

} // namespace
} // namespace dopplex
