// Tune and the chain it runs: counts per step, the train, the LED, the Adjust it fires, and the
// time the whole chain holds the window.
#include "engine_rig.h"

#include <gtest/gtest.h>

namespace dopplex::test {
namespace {

const std::vector<std::string> kTuneClosing{"Tuning complete !", "Blue LED ON !"};

struct TuneCase {
    const char* name;
    const char* step;
    bool tx;
    std::int64_t diff_hz;
    const char* outset;
    std::uint32_t colour;
    const char* count_field; // nullptr: no count written
    const char* count_text;
    int pulses;
    std::uint8_t bit;
    const char* memo;
    const char* adjust;
    int timer; // -1: none started
    std::int64_t chain_ms;
};

class TuneTable : public ::testing::TestWithParam<TuneCase> {};

TEST_P(TuneTable, CountTrainLedAdjustAndChainTime) {
    const TuneCase& c = GetParam();
    Rig rig({.step = c.step});
    rig.update(1000, 10.0, c.tx ? 0 : c.diff_hz, c.tx ? c.diff_hz : 0);
    const Span& tune = rig.click(1500, c.tx ? "Button12" : "Button1");
    rig.run(60000);
    TFMain& f = rig.form;

    ASSERT_EQ(tune.start, 1500);
    EXPECT_EQ(tune.length(), c.chain_ms);
    Control& outset = c.tx ? f.Edit19 : f.Edit8;
    EXPECT_EQ(outset.text(), c.outset);
    EXPECT_EQ(outset.font_color(), c.colour);
    for (Control* field :
         c.tx ? std::vector{&f.Edit16, &f.Edit18} : std::vector{&f.Edit4, &f.Edit6}) {
        EXPECT_EQ(field->text(),
                  c.count_field && field->name() == c.count_field ? c.count_text : "10")
            << field->name();
    }

    // Only the train's pulses, all within the chain; the first follows the pre-fire wait and
    // the press (and, for a DOWN train, the 200 ms of the disarmed UP stage first).
    const std::int64_t end = tune.end;
    const std::vector<std::int64_t> rises = rig.rises(c.bit, 1500, end);
    ASSERT_EQ(rises.size(), static_cast<std::size_t>(c.pulses));
    for (std::uint8_t other : {kRxUpBit, kRxDownBit, kTxUpBit, kTxDownBit}) {
        if (other != c.bit) {
            EXPECT_TRUE(rig.rises(other, 1500, end).empty());
        }
    }
    const bool down = c.bit == kRxDownBit || c.bit == kTxDownBit;
    if (c.pulses > 0) {
        EXPECT_EQ(rises.front(), 1500 + (down ? 1400 : 1200));
    }

    const Channel tuned = c.tx ? Channel::TxTuned : Channel::RxTuned;
    EXPECT_EQ(f.latch.flag(tuned), c.pulses > 0);
    if (c.memo) {
        EXPECT_EQ(f.find(c.memo)->lines(), TrainLog(c.pulses, kTuneClosing));
        EXPECT_TRUE(f.find(c.adjust)->enabled());
        EXPECT_EQ(f.focused(), c.adjust);
    } else {
        for (const char* memo : {"Memo1", "Memo2", "Memo3", "Memo4"}) {
            EXPECT_TRUE(f.find(memo)->lines().empty());
        }
        EXPECT_EQ(f.focused(), c.tx ? "Button12" : "Button1");
    }
    for (const char* adjust : {"Button7", "Button9", "Button15", "Button16"}) {
        EXPECT_EQ(f.find(adjust)->enabled(), c.adjust && std::string(adjust) == c.adjust) << adjust;
    }
    for (const char* stage : {"Button4", "Button5", "Button13", "Button14", "Button8", "Button10",
                              "Button17", "Button18"}) {
        EXPECT_FALSE(f.find(stage)->enabled()) << stage;
    }
    for (int id = TFMain::Timer1; id <= TFMain::Timer6; ++id) {
        EXPECT_EQ(f.timer_running(id), id == c.timer) << "Timer" << id + 1;
    }
    EXPECT_TRUE(rig.host.reports().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, TuneTable,
    ::testing::Values(
        TuneCase{"Rx100Up", "RadioButton1", false, 3400, "3400", kClMaroon, "Edit4", "34", 34,
                 kRxUpBit, "Memo1", "Button7", TFMain::Timer2, 2850 + 34 * 400},
        TuneCase{"Rx100Down", "RadioButton1", false, -2300, "-2300", kClYellow, "Edit6", "-23", 23,
                 kRxDownBit, "Memo2", "Button9", TFMain::Timer2, 2850 + 23 * 400},
        TuneCase{"Tx100Down", "RadioButton1", true, -2300, "-2300", kClYellow, "Edit18", "-23", 23,
                 kTxDownBit, "Memo4", "Button16", TFMain::Timer4, 2850 + 23 * 400},
        // The 25 Hz Adjust fires nothing: the chain is 200 ms shorter and starts no tracking.
        TuneCase{"Tx25Up", "RadioButton2", true, 300, "300", kClMaroon, "Edit16", "12", 12,
                 kTxUpBit, "Memo3", "Button15", -1, 2650 + 12 * 400},
        TuneCase{"Tx1000HalfToEven", "RadioButton3", true, 2500, "2500", kClMaroon, "Edit16", "2",
                 2, kTxUpBit, "Memo3", "Button15", TFMain::Timer5, 2850 + 2 * 400},
        TuneCase{"Rx1000Down", "RadioButton3", false, -1500, "-1500", kClYellow, "Edit6", "-2", 2,
                 kRxDownBit, "Memo2", "Button9", TFMain::Timer3, 2850 + 2 * 400},
        // Rounds to no step, yet the colour follows the difference.
        TuneCase{"Rx1000BelowHalfStep", "RadioButton3", false, 400, "400", kClMaroon, nullptr,
                 nullptr, 0, kRxUpBit, nullptr, nullptr, -1, 400},
        TuneCase{"Tx100Zero", "RadioButton1", true, 0, "0", kClWindowText, nullptr, nullptr, 0,
                 kTxUpBit, nullptr, nullptr, -1, 400}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Tune, PortTraceOfATuneWithCount34) {
    Rig rig;
    rig.update(1000, 10.0, 3400);
    rig.click(1500, "Button1");
    rig.run(1500 + 16450);
    std::vector<PortWrite> expected{{1500, 888, kGreenBit}}; // the tuned line cleared and written
    for (const PortWrite& w : TrainWrites(2700, kGreenBit, kRxUpBit, 34)) {
        expected.push_back(w);
    }
    expected.push_back({2700 + 34 * 400, 888, kGreenBit | kRxTunedBit});
    EXPECT_EQ(rig.writes(1500), expected);
}

struct HardwareCase {
    const char* name;
    bool hardware;
    bool tuned_after_zero_tune;
};

class TuneHardware : public ::testing::TestWithParam<HardwareCase> {};

// Unticked, the Tune leaves the tune-complete flag as it was.
TEST_P(TuneHardware, ClearsTheTunedFlagOnlyWithTheHardwareEnabled) {
    Rig rig;
    rig.update(1000, 10.0, 100);
    rig.click(1100, "Button1");
    rig.update(5000, 10.0, 0);
    if (!GetParam().hardware) {
        rig.click(5100, "CheckBox1");
    }
    rig.click(5200, "Button1");
    rig.run(4000);
    ASSERT_TRUE(rig.form.latch.flag(Channel::RxTuned));
    rig.run(8000);
    EXPECT_EQ(rig.form.Edit8.text(), "0");
    EXPECT_EQ(rig.form.latch.flag(Channel::RxTuned), GetParam().tuned_after_zero_tune);
}

INSTANTIATE_TEST_SUITE_P(Gate, TuneHardware,
                         ::testing::Values(HardwareCase{"Enabled", true, false},
                                           HardwareCase{"Unticked", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Tune, ReferenceThatIsNotANumberEndsTheTuneAfterClearingTheLed) {
    Rig rig({.type_references = false});
    rig.update(1000, 10.0, 3400);
    rig.run(1000);
    rig.form.latch.set_flag(Channel::RxTuned, true);
    const Span& tune = rig.click(1500, "Button1");
    rig.run(5000);
    EXPECT_EQ(tune.length(), 0);
    EXPECT_EQ(rig.report_texts(),
              std::vector<std::string>{"'Enter Freq E8' is not a valid floating point value."});
    EXPECT_EQ(rig.writes(1500), (std::vector<PortWrite>{{1500, 888, kGreenBit}}));
    EXPECT_EQ(rig.form.Edit8.text(), "0");
    EXPECT_EQ(rig.form.Edit4.text(), "10");
    EXPECT_FALSE(rig.form.Button4.enabled());
}

TEST(Tune, SecondTuneMeasuresFromTheReferenceAgain) {
    Rig rig;
    rig.update(1000, 10.0, 3400);
    rig.click(1500, "Button1");
    rig.update(20000, 10.0, 3200);
    const Span& second = rig.click(20100, "Button1");
    rig.run(60000);
    EXPECT_EQ(rig.form.Edit4.text(), "32");
    EXPECT_EQ(rig.rises(kRxUpBit, second.start, second.end).size(), 32u);
    EXPECT_EQ(rig.form.Memo1.lines(), TrainLog(32, kTuneClosing));
}

struct RetryCase {
    const char* name;
    std::int64_t second_diff_hz;
    int up_pulses;
    int down_pulses;
    std::size_t reports;
};

class FailedTrainStage : public ::testing::TestWithParam<RetryCase> {};

// A count with decimals (reference off the 100 Hz grid) fails the train stage, which stays armed
// and is fired again, first, at the next Tune of its side.
TEST_P(FailedTrainStage, StaysArmedAndRunsAtTheNextTune) {
    const RetryCase& c = GetParam();
    Rig rig;
    rig.type(900, "Edit1", "4.3677505E8");
    rig.update(1000, 10.0, 3400); // d = 3350
    const Span& first = rig.click(1500, "Button1");
    rig.run(10000);
    ASSERT_EQ(first.length(), 1400); // armed EC1 1200, disarmed EC2 200
    EXPECT_EQ(rig.form.Edit4.text(), "33.5");
    ASSERT_EQ(rig.host.reports().size(), 1u);
    EXPECT_EQ(rig.host.reports()[0].t, 2700); // during the release of EC1
    EXPECT_EQ(rig.host.reports()[0].text, "'33.5' is not a valid integer value.");
    EXPECT_TRUE(rig.form.Memo1.lines().empty());
    EXPECT_TRUE(rig.rises(kRxUpBit).empty());
    EXPECT_TRUE(rig.form.Button4.enabled());
    EXPECT_FALSE(rig.form.Button7.enabled());
    EXPECT_FALSE(rig.form.latch.flag(Channel::RxTuned));

    rig.type(10000, "Edit1", "4.367750E8");
    rig.update(10000, 10.0, c.second_diff_hz);
    const Span& second = rig.click(10100, "Button1");
    rig.run(60000);
    EXPECT_EQ(rig.rises(kRxUpBit, second.start, second.end).size(),
              static_cast<std::size_t>(c.up_pulses));
    const std::vector<std::int64_t> down = rig.rises(kRxDownBit, second.start, second.end);
    EXPECT_EQ(down.size(), static_cast<std::size_t>(c.down_pulses));
    EXPECT_EQ(rig.host.reports().size(), c.reports);
    if (c.reports == 2) {
        // The stale UP stage fails before the DOWN stage's chain.
        EXPECT_EQ(rig.host.reports()[1].t, second.start + 1200);
        EXPECT_EQ(rig.host.reports()[1].text, "'33.5' is not a valid integer value.");
        ASSERT_FALSE(down.empty());
        EXPECT_EQ(down.front(), second.start + 2400);
        EXPECT_TRUE(rig.form.Button4.enabled());
    } else {
        EXPECT_FALSE(rig.form.Button4.enabled());
    }
}

INSTANTIATE_TEST_SUITE_P(NextTune, FailedTrainStage,
                         ::testing::Values(RetryCase{"SameSign", 3400, 34, 0, 1},
                                           RetryCase{"OtherSign", -2300, 0, 23, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

// While the stage's error report is open, tracking updates are served inside the suspended chain.
TEST(Tune, UpdatesAreServedWhileAStageReportIsOpen) {
    Rig rig;
    rig.host.set_report_ms(1000);
    rig.type(900, "Edit1", "4.3677505E8");
    rig.update(1000, 10.0, 3400);
    const Span& tune = rig.click(1500, "Button1");
    rig.update(3000, 12.5, 3400);
    rig.run(10000);
    EXPECT_EQ(tune.length(), 2400);
    EXPECT_EQ(rig.writes(2700, 3900).size(), 3u);
    EXPECT_EQ(rig.writes(3000, 3001).size(), 3u);
    EXPECT_EQ(rig.form.Edit9.text(), "12.5");
}

TEST(Stages, HiddenStagesTakeNoClickAndTheResetStepsStartAsTheyShould) {
    Rig rig;
    rig.form.Button4.set_enabled(true);
    EXPECT_FALSE(rig.form.Click("Button4"));
    EXPECT_TRUE(rig.form.Button24.enabled());
    EXPECT_FALSE(rig.form.Button25.enabled());
    EXPECT_TRUE(rig.port.writes().empty());
}

struct FocusKey {
    const char* name;
    int key;
};

class FocusAfterTune : public ::testing::TestWithParam<FocusKey> {};

// The Adjust pressed while armed keeps the focus, so the key clicks it again: it finds no drift
// and costs the 200 ms of its disarmed catch-up stage.
TEST_P(FocusAfterTune, KeyClicksTheAdjustAgain) {
    Rig rig;
    rig.update(1000, 10.0, -2300);
    rig.click(1500, "Button1");
    rig.run(20000);
    ASSERT_EQ(rig.form.focused(), "Button9");
    const Span& pressed = rig.key(20000, GetParam().key);
    rig.run(21000);
    EXPECT_EQ(pressed.length(), 200);
    EXPECT_EQ(rig.form.focused(), "Button9");
}

INSTANTIATE_TEST_SUITE_P(Keys, FocusAfterTune,
                         ::testing::Values(FocusKey{"Enter", kVkReturn},
                                           FocusKey{"Space", kVkSpace}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dopplex::test
