// Adjust clicked by the operator after a Tune: the catch-up count and its thresholds per step,
// the stage and direction of each of the four buttons, and the timer it leaves running.
#include "engine_rig.h"

#include <gtest/gtest.h>

namespace dopplex::test {
namespace {

struct AdjustCase {
    const char* name;
    const char* step;
    bool tx;
    std::int64_t tune_diff_hz;
    std::int64_t later_diff_hz;
    const char* adjust;
    const char* stage;
    const char* count_text; // nullptr: the catch-up count field keeps its text
    int pulses;
    std::uint8_t bit;
    int timer; // -1: none
};

class AdjustTable : public ::testing::TestWithParam<AdjustCase> {};

TEST_P(AdjustTable, CatchUpCountStageAndTimer) {
    const AdjustCase& c = GetParam();
    Rig rig({.step = c.step});
    rig.update(1000, 10.0, c.tx ? 0 : c.tune_diff_hz, c.tx ? c.tune_diff_hz : 0);
    rig.click(1500, c.tx ? "Button12" : "Button1");
    rig.update(30000, 10.0, c.tx ? 0 : c.later_diff_hz, c.tx ? c.later_diff_hz : 0);
    rig.run(30100);
    ASSERT_TRUE(rig.form.find(c.adjust)->enabled());
    Control& count = c.tx ? rig.form.Edit20 : rig.form.Edit12;
    const std::string count_before = count.text();

    const Span& adjust = rig.click(30100, c.adjust);
    rig.run(60000);
    ASSERT_GE(adjust.start, 30100);
    EXPECT_EQ(count.text(), c.count_text ? c.count_text : count_before);
    // Armed: 1000 ms before the press, the 200 ms hold, then the train; else only the hold.
    EXPECT_EQ(adjust.length(), c.pulses > 0 ? 1200 + 400 * c.pulses : 200);
    const std::vector<std::int64_t> rises = rig.rises(c.bit, adjust.start, adjust.end);
    ASSERT_EQ(rises.size(), static_cast<std::size_t>(c.pulses));
    if (c.pulses > 0) {
        EXPECT_EQ(rises.front(), adjust.start + 1200);
    }
    for (std::uint8_t other : {kRxUpBit, kRxDownBit, kTxUpBit, kTxDownBit}) {
        if (other != c.bit) {
            EXPECT_TRUE(rig.rises(other, adjust.start, adjust.end).empty());
        }
    }
    EXPECT_FALSE(rig.form.find(c.stage)->enabled());
    EXPECT_TRUE(rig.form.find(c.adjust)->enabled());
    for (int id = TFMain::Timer1; id <= TFMain::Timer6; ++id) {
        EXPECT_EQ(rig.form.timer_running(id), id == c.timer) << "Timer" << id + 1;
    }
    EXPECT_TRUE(rig.host.reports().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, AdjustTable,
    ::testing::Values(
        AdjustCase{"Rx100Fell700", "RadioButton1", false, 3400, 2700, "Button7", "Button8", "7", 7,
                   kRxDownBit, TFMain::Timer2},
        // Both RX catch-ups step the receiver down.
        AdjustCase{"Rx100DownTuneFell700", "RadioButton1", false, -2300, -3000, "Button9",
                   "Button10", "7", 7, kRxDownBit, TFMain::Timer2},
        AdjustCase{"Rx100ExactlyOneStep", "RadioButton1", false, 3400, 3300, "Button7", "Button8",
                   "1", 1, kRxDownBit, TFMain::Timer2},
        AdjustCase{"Rx100Risen", "RadioButton1", false, 3400, 3600, "Button7", "Button8", nullptr,
                   0, kRxDownBit, TFMain::Timer2},
        AdjustCase{"Rx1000Drift2000", "RadioButton3", false, 3000, 1000, "Button7", "Button8", "2",
                   2, kRxDownBit, TFMain::Timer3},
        AdjustCase{"Rx1000Drift600", "RadioButton3", false, 3000, 2400, "Button7", "Button8",
                   nullptr, 0, kRxDownBit, TFMain::Timer3},
        // At 1000 Hz the quotient is made whole, halves to even; exactly 1 sends one pulse.
        AdjustCase{"Rx1000Drift1000", "RadioButton3", false, 3000, 2000, "Button7", "Button8", "1",
                   1, kRxDownBit, TFMain::Timer3},
        AdjustCase{"Rx1000Drift1300", "RadioButton3", false, 3000, 1700, "Button7", "Button8", "1",
                   1, kRxDownBit, TFMain::Timer3},
        AdjustCase{"Rx1000Drift2500", "RadioButton3", false, 3000, 500, "Button7", "Button8", "2",
                   2, kRxDownBit, TFMain::Timer3},
        AdjustCase{"Rx1000Drift3500", "RadioButton3", false, -1500, -5000, "Button9", "Button10",
                   "4", 4, kRxDownBit, TFMain::Timer3},
        AdjustCase{"Tx100UpTune", "RadioButton1", true, 2000, 1500, "Button15", "Button17", "5", 5,
                   kTxUpBit, TFMain::Timer4},
        AdjustCase{"Tx100DownTune", "RadioButton1", true, -2000, -2500, "Button16", "Button18", "5",
                   5, kTxDownBit, TFMain::Timer4},
        AdjustCase{"Tx1000Drift2000", "RadioButton3", true, 3000, 1000, "Button15", "Button17", "2",
                   2, kTxUpBit, TFMain::Timer5}),
    [](const auto& info) { return std::string(info.param.name); });

// At the 25 Hz step Adjust does nothing at all: no count, no fire, no tracking.
TEST(Adjust, DoesNothingAtThe25HzStep) {
    Rig rig({.step = "RadioButton2"});
    rig.update(1000, 10.0, 0, 300);
    rig.click(1500, "Button12");
    rig.update(20000, 10.0, 0, 100);
    const Span& adjust = rig.click(20100, "Button15");
    rig.run(30000);
    EXPECT_EQ(adjust.length(), 0);
    EXPECT_EQ(rig.form.Edit20.text(), "Edit20");
    EXPECT_FALSE(rig.form.Button17.enabled());
    for (int id = TFMain::Timer1; id <= TFMain::Timer6; ++id) {
        EXPECT_FALSE(rig.form.timer_running(id));
    }
    EXPECT_TRUE(rig.writes(20100).empty());
}

TEST(Adjust, ReferenceTypedOverSinceTheTuneEndsIt) {
    Rig rig;
    rig.update(1000, 10.0, 3400);
    rig.click(1500, "Button1");
    rig.update(30000, 10.0, 2700);
    rig.type(30100, "Edit1", "4,367750E8");
    const Span& adjust = rig.click(30100, "Button7");
    rig.run(30100);
    EXPECT_EQ(adjust.length(), 0);
    ASSERT_FALSE(rig.host.reports().empty());
    EXPECT_EQ(rig.host.reports().back().t, adjust.start);
    EXPECT_EQ(rig.host.reports().back().text, "'4,367750E8' is not a valid floating point value.");
    EXPECT_FALSE(rig.form.Button8.enabled());
    EXPECT_EQ(rig.form.Edit12.text(), "Edit12");
    EXPECT_TRUE(rig.writes(adjust.start, adjust.end + 1).empty());
}

// A reference edited between Tune and Adjust leaves the two differences off each other's grid.
TEST(Adjust, CatchUpWithDecimalsFailsAndTheStageStaysArmed) {
    Rig rig;
    rig.update(1000, 10.0, 3400);
    rig.click(1500, "Button1");
    rig.update(30000, 10.0, 2700);
    rig.type(30100, "Edit1", "4.3677505E8"); // now 2650: k = 7.5
    const Span& adjust = rig.click(30100, "Button7");
    rig.run(30100);
    EXPECT_EQ(adjust.length(), 1200);
    EXPECT_EQ(rig.form.Edit12.text(), "7.5");
    ASSERT_FALSE(rig.host.reports().empty());
    EXPECT_EQ(rig.host.reports().back().t, adjust.start + 1200);
    EXPECT_EQ(rig.host.reports().back().text, "'7.5' is not a valid integer value.");
    EXPECT_TRUE(rig.form.Button8.enabled());
    EXPECT_TRUE(rig.writes(adjust.start, adjust.end + 1).empty());
}

} // namespace
} // namespace dopplex::test
