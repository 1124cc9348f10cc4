// The tracking timers: which field each reads, where it pulses, the threshold and re-anchoring,
// the last value shared and kept, Start Tracking, a closed link, and failing ticks.
#include "engine_rig.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace dopplex::test {
namespace {

struct TimerCase {
    const char* name;
    const char* step;
    bool tx;
    int timer;
    const char* display_text; // the difference from the timer's own quantised field
    std::uint8_t bit;
};

class TimerTable : public ::testing::TestWithParam<TimerCase> {};

// 1234 Hz above the references: the 100 Hz field shows 1200, the 25 Hz one 1230, the 1000 Hz
// one 1000, so the display tells which field the tick read.
TEST_P(TimerTable, StartTrackingRunsTheTimerOfTheStepOnItsOwnFields) {
    const TimerCase& c = GetParam();
    Rig rig({.step = c.step});
    rig.update(1000, 10.0, 1234, 1234);
    rig.click(1500, c.tx ? "Button19" : "Button11");
    rig.run(3000);
    for (int id = TFMain::Timer1; id <= TFMain::Timer6; ++id) {
        EXPECT_EQ(rig.form.timer_running(id), id == c.timer) << "Timer" << id + 1;
    }
    const Control& display = c.tx ? rig.form.Edit22 : rig.form.Edit7;
    const Control& other = c.tx ? rig.form.Edit7 : rig.form.Edit22;
    EXPECT_EQ(display.text(), c.display_text);
    EXPECT_EQ(other.text(), "0");
    // The first tick pulses at once (last value 0); the second finds nothing moved.
    const std::vector<PortWrite> expected{{2000, 888, static_cast<std::uint8_t>(kGreenBit | c.bit)},
                                          {2200, 888, kGreenBit}};
    EXPECT_EQ(rig.writes(1500), expected);
    const double last = std::stod(c.display_text);
    EXPECT_EQ(c.tx ? rig.form.LastTxDoppler : rig.form.LastRxDoppler, last);
    EXPECT_EQ(c.tx ? rig.form.LastRxDoppler : rig.form.LastTxDoppler, 0.0);
}

INSTANTIATE_TEST_SUITE_P(
    SixTimers, TimerTable,
    ::testing::Values(TimerCase{"Rx100", "RadioButton1", false, TFMain::Timer2, "1200", kRxDownBit},
                      TimerCase{"Rx25", "RadioButton2", false, TFMain::Timer1, "1230", kRxDownBit},
                      TimerCase{"Rx1000", "RadioButton3", false, TFMain::Timer3, "1000",
                                kRxDownBit},
                      TimerCase{"Tx100", "RadioButton1", true, TFMain::Timer4, "1200", kTxUpBit},
                      TimerCase{"Tx25", "RadioButton2", true, TFMain::Timer6, "1230", kTxUpBit},
                      TimerCase{"Tx1000", "RadioButton3", true, TFMain::Timer5, "1000", kTxUpBit}),
    [](const auto& info) { return std::string(info.param.name); });

// Moves the difference by typing the reference, 1 Hz at a time if need be.
std::string Reference(bool tx, std::int64_t diff_hz) {
    return std::to_string((tx ? kTxRefHz : kRxRefHz) - diff_hz);
}

struct ThresholdCase {
    const char* name;
    const char* step;
    bool tx;
    std::int64_t threshold_hz;
};

class Threshold : public ::testing::TestWithParam<ThresholdCase> {};

TEST_P(Threshold, ExactlyOneStepPulsesOneHertzLessDoesNot) {
    const ThresholdCase& c = GetParam();
    Rig rig({.step = c.step});
    rig.update(1000, 10.0, 0, 0);
    rig.click(1100, c.tx ? "Button19" : "Button11"); // ticks at 1600, 2100, 2600
    const char* ref = c.tx ? "Edit13" : "Edit1";
    rig.type(2000, ref, Reference(c.tx, c.threshold_hz - 1));
    rig.type(2500, ref, Reference(c.tx, c.threshold_hz));
    rig.run(3000);
    const std::uint8_t bit = c.tx ? kTxUpBit : kRxDownBit;
    EXPECT_EQ(rig.rises(bit), std::vector<std::int64_t>{2600});
    EXPECT_EQ((c.tx ? rig.form.Edit22 : rig.form.Edit7).text(), std::to_string(c.threshold_hz));
}

INSTANTIATE_TEST_SUITE_P(Steps, Threshold,
                         ::testing::Values(ThresholdCase{"Rx100", "RadioButton1", false, 100},
                                           ThresholdCase{"Rx25", "RadioButton2", false, 25},
                                           ThresholdCase{"Rx1000", "RadioButton3", false, 1000},
                                           ThresholdCase{"Tx100", "RadioButton1", true, 100},
                                           ThresholdCase{"Tx25", "RadioButton2", true, 25},
                                           ThresholdCase{"Tx1000", "RadioButton3", true, 1000}),
                         [](const auto& info) { return std::string(info.param.name); });

struct TickStep {
    std::int64_t diff_hz;
    bool pulse;
};

class TickSequence : public ::testing::TestWithParam<bool> {};

// At the 100 Hz step, one difference per tick. The last value is re-anchored to d itself, slow
// drift adds up, and the direction is the side's whatever way d moved.
TEST_P(TickSequence, ReanchorsAndKeepsTheSidesDirection) {
    const bool tx = GetParam();
    const std::vector<TickStep> ticks{
        {50, false},   {99, false},   {100, true},   {350, true}, // one pulse for 250 Hz
        {400, false},                                             // 50 from the anchor at 350
        {449, false},  {450, true},   {400, false},  {350, true}, // falling: same direction
        {-1000, true}, {-1100, true}, {-1000, true},
    };
    Rig rig;
    rig.update(1000, 10.0, 0, 0);
    rig.click(1100, tx ? "Button19" : "Button11");
    const char* ref = tx ? "Edit13" : "Edit1";
    std::vector<std::int64_t> expected;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const std::int64_t tick = 1600 + 500 * static_cast<std::int64_t>(i);
        rig.type(tick - 100, ref, Reference(tx, ticks[i].diff_hz));
        if (ticks[i].pulse) {
            expected.push_back(tick);
        }
    }
    rig.run(1600 + 500 * static_cast<std::int64_t>(ticks.size()));
    EXPECT_EQ(rig.rises(tx ? kTxUpBit : kRxDownBit), expected);
    EXPECT_TRUE(rig.rises(tx ? kTxDownBit : kRxUpBit).empty());
    EXPECT_EQ(tx ? rig.form.LastTxDoppler : rig.form.LastRxDoppler, -1000.0);
}

INSTANTIATE_TEST_SUITE_P(Sides, TickSequence, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Tx" : "Rx"; });

// The last value outlives the end of the pass: the first tick of the next pass compares with it.
TEST(Tracking, LastValueAndDisplayAreKeptAcrossPasses) {
    Rig rig;
    rig.update(1000, 10.0, -900);
    rig.click(1100, "Button11"); // pulses at 1600: last -900
    rig.update(5000, -2.0, -900);
    rig.run(6000);
    EXPECT_FALSE(rig.form.timer_running(TFMain::Timer2));
    EXPECT_EQ(rig.form.Edit7.text(), "-900");
    EXPECT_EQ(rig.form.LastRxDoppler, -900.0);

    rig.update(10000, 10.0, 800);
    rig.click(10100, "Button11");
    rig.run(11000);
    EXPECT_EQ(rig.rises(kRxDownBit), (std::vector<std::int64_t>{1600, 10600}));
    EXPECT_EQ(rig.form.LastRxDoppler, 800.0);
}

TEST(Tracking, FirstTickBelowOneStepOnlyShowsTheDifference) {
    Rig rig;
    rig.update(1000, 10.0, 0, 0);
    rig.type(1050, "Edit1", Reference(false, -99));
    rig.click(1100, "Button11");
    rig.run(2000);
    EXPECT_EQ(rig.form.Edit7.text(), "-99");
    EXPECT_TRUE(rig.writes(1100).empty());
    EXPECT_EQ(rig.form.LastRxDoppler, 0.0);
}

// A second click keeps the phase; after a change of step it starts the side's second timer,
// which shares the last value and the display.
TEST(Tracking, StartTrackingTwiceAndAfterAStepChange) {
    Rig rig;
    rig.update(1000, 10.0, 1234);
    rig.click(1500, "Button11");
    rig.click(1800, "Button11");
    rig.run(1900);
    rig.click(1900, "RadioButton3");
    rig.click(1950, "Button11"); // Timer3 ticks at 2450
    rig.run(2300);
    EXPECT_EQ(rig.rises(kRxDownBit), std::vector<std::int64_t>{2000});
    EXPECT_EQ(rig.form.Edit7.text(), "1200");
    rig.run(2460);
    EXPECT_TRUE(rig.form.timer_running(TFMain::Timer2));
    EXPECT_TRUE(rig.form.timer_running(TFMain::Timer3));
    // 1000 against the shared last value 1200: below 1000 Hz, no pulse, but shown.
    EXPECT_EQ(rig.form.Edit7.text(), "1000");
    EXPECT_EQ(rig.rises(kRxDownBit), std::vector<std::int64_t>{2000});
}

// A closed link zeroes the quantised fields: one pulse for d = -r, one more when data resume.
TEST(Tracking, ClosedLinkGivesOnePulseAndResumingOneMore) {
    Rig rig;
    rig.update(1000, 10.0, 1200);
    rig.click(1500, "Button11");
    rig.link_close(2600);
    rig.update(3700, 10.0, 1200);
    rig.run(5000);
    EXPECT_EQ(rig.rises(kRxDownBit), (std::vector<std::int64_t>{2000, 3000, 4000}));
    EXPECT_TRUE(rig.form.timer_running(TFMain::Timer2));
    EXPECT_EQ(rig.form.Edit7.text(), "1200");
}

// The tick of a wrong reference reports once per timer, until it succeeded or the message
// changed; it keeps running and sends nothing meanwhile.
TEST(Tracking, FailingTickReportsOnceUntilSuccessOrANewMessage) {
    Rig rig({.type_references = false});
    rig.update(1000, 10.0, 1200, 1200);
    rig.click(1100, "Button11"); // Timer2: ticks at 1600, 2100, ...
    rig.click(1100, "Button19"); // Timer4: likewise
    rig.run(3000);
    const std::string enter = "'Enter Freq E8' is not a valid floating point value.";
    // Timer4 fails at the same instant with the same text while Timer2's report is open: a
    // repeat, not a second report; it stays silent afterwards all the same.
    EXPECT_EQ(rig.report_texts(), (std::vector<std::string>{enter}));
    EXPECT_EQ(rig.host.reports()[0].t, 1600);
    ASSERT_EQ(rig.host.held_reports().size(), 1u);
    EXPECT_EQ(rig.host.held_reports()[0].how, ReportHold::Repeat);
    EXPECT_TRUE(rig.writes(1100).empty());
    EXPECT_TRUE(rig.form.timer_running(TFMain::Timer2));
    EXPECT_TRUE(rig.form.timer_running(TFMain::Timer4));
    EXPECT_EQ(rig.form.Edit7.text(), "0");

    rig.type(3050, "Edit1", "abc"); // a new message: reported once more
    rig.type(3700, "Edit1", "4.367750E8");
    rig.type(4300, "Edit1", "abc"); // after a successful tick: raised again
    rig.run(6000);
    const std::string abc = "'abc' is not a valid floating point value.";
    // Raised again by a tick within 10 s of its report's close: counted, not reopened.
    ASSERT_EQ(rig.report_texts(), (std::vector<std::string>{enter, abc}));
    EXPECT_EQ(rig.host.reports()[1].t, 3100);
    EXPECT_EQ(rig.rises(kRxDownBit), std::vector<std::int64_t>{4100});
    ASSERT_EQ(rig.host.held_reports().size(), 2u);
    EXPECT_EQ(rig.host.held_reports()[1].t, 4600);
    EXPECT_EQ(rig.host.held_reports()[1].how, ReportHold::AfterClose);
    EXPECT_TRUE(rig.rises(kTxUpBit).empty());
}

// A report left open serves ticks; the timer's own next ticks stay silent meanwhile.
TEST(Tracking, FailingTickDoesNotReportAgainWhileItsReportIsOpen) {
    Rig rig({.type_references = false});
    rig.host.set_report_ms(1700);
    rig.update(1000, 10.0, 1200);
    rig.click(1100, "Button11");
    rig.run(10000);
    EXPECT_EQ(rig.host.reports().size(), 1u);
    EXPECT_TRUE(rig.writes(1100).empty());
    EXPECT_TRUE(rig.form.timer_running(TFMain::Timer2));
}

} // namespace
} // namespace dopplex::test
