// The pass supervisor run at each tracking update: what each elevation enables, the end of the
// pass at an elevation that reads -2.0, the Green LED box, and the port writes of an update.
#include "engine_rig.h"

#include <gtest/gtest.h>

namespace dopplex::test {
namespace {

constexpr std::uint8_t kTuned = kRxTunedBit | kTxTunedBit;

// Everything an update can change, set the other way; the timers fall due after the update.
void PrepareMidPass(Rig& rig, bool box_ticked) {
    TFMain& f = rig.form;
    for (Control* c : {&f.Button1, &f.Button11, &f.Button12, &f.Button19, &f.Button22, &f.Button23,
                       &f.Button7, &f.Button9, &f.Button15, &f.Button16}) {
        c->set_enabled(true);
    }
    for (Control* memo : {&f.Memo1, &f.Memo2, &f.Memo3, &f.Memo4}) {
        memo->add_line("1");
    }
    f.Edit8.set_text("3400");
    f.Edit8.set_font_color(kClMaroon);
    f.Edit19.set_text("-2300");
    f.Edit19.set_font_color(kClYellow);
    f.Edit7.set_text("-900");
    f.Edit22.set_text("500");
    f.LastRxDoppler = -900;
    f.LastTxDoppler = 500;
    rig.loop.timers().start(TFMain::Timer2, rig.host.now());
    rig.loop.timers().start(TFMain::Timer5, rig.host.now());
    f.latch.set_flag(Channel::RxTuned, true);
    f.latch.set_flag(Channel::TxTuned, true);
    f.latch.set_flag(Channel::GreenLed, box_ticked);
    f.CheckBox2.set_checked(box_ticked);
}

// What an update leaves enabled, ticked or done.
enum : unsigned {
    kTuneRx = 1,
    kTuneTx = 2,
    kStart = 4, // both "Start Tracking"
    kReset = 8, // both Reset buttons
    kAdjust = 16,
    kBox = 32,
    kEnd = 64, // the end-of-pass actions ran
};

struct PassCase {
    const char* name;
    double elevation;
    const char* step;
    bool box_before;
    unsigned after;
    std::vector<int> writes;
};

class PassTable : public ::testing::TestWithParam<PassCase> {};

TEST_P(PassTable, OneUpdate) {
    const PassCase& c = GetParam();
    Rig rig({.step = c.step});
    rig.run(990);
    PrepareMidPass(rig, c.box_before);
    rig.update(1000, c.elevation, 1200, 1200);
    rig.run(1000);
    TFMain& f = rig.form;
    auto is = [&c](unsigned what) { return (c.after & what) != 0; };

    EXPECT_EQ(f.Button1.enabled(), is(kTuneRx));
    EXPECT_EQ(f.Button12.enabled(), is(kTuneTx));
    EXPECT_EQ(f.Button11.enabled(), is(kStart));
    EXPECT_EQ(f.Button19.enabled(), is(kStart));
    EXPECT_EQ(f.Button22.enabled(), is(kReset));
    EXPECT_EQ(f.Button23.enabled(), is(kReset));
    for (Control* adjust : {&f.Button7, &f.Button9, &f.Button15, &f.Button16}) {
        EXPECT_EQ(adjust->enabled(), is(kAdjust)) << adjust->name();
    }
    EXPECT_EQ(f.CheckBox2.checked(), is(kBox));
    EXPECT_EQ(f.latch.flag(Channel::GreenLed), is(kBox));

    std::vector<int> bytes;
    for (const PortWrite& w : rig.writes(1000)) {
        bytes.push_back(w.value);
    }
    EXPECT_EQ(bytes, c.writes);

    const bool end = is(kEnd);
    for (Control* memo : {&f.Memo1, &f.Memo2, &f.Memo3, &f.Memo4}) {
        EXPECT_EQ(memo->lines().empty(), end) << memo->name();
    }
    EXPECT_EQ(f.Edit8.text(), end ? "0" : "3400");
    EXPECT_EQ(f.Edit19.text(), end ? "0" : "-2300");
    EXPECT_EQ(f.Edit8.font_color(), kClMaroon);
    EXPECT_EQ(f.Edit19.font_color(), kClYellow);
    EXPECT_EQ(f.timer_running(TFMain::Timer2), !end);
    EXPECT_EQ(f.timer_running(TFMain::Timer5), !end);
    EXPECT_EQ(f.latch.flag(Channel::RxTuned), !end);
    EXPECT_EQ(f.latch.flag(Channel::TxTuned), !end);
    // What tracking left stays for the Reset and the next pass.
    EXPECT_EQ(f.Edit7.text(), "-900");
    EXPECT_EQ(f.Edit22.text(), "500");
    EXPECT_EQ(f.LastRxDoppler, -900.0);
    EXPECT_EQ(f.LastTxDoppler, 500.0);
    EXPECT_TRUE(rig.host.reports().empty());
}

constexpr int kOn = kTuned | kGreenBit;
constexpr int kEndWrites = kOn & ~kRxTunedBit;
constexpr unsigned kPass = kTuneRx | kTuneTx | kStart | kAdjust | kBox;
std::vector<int> Bytes(std::initializer_list<int> values) {
    return values;
}

INSTANTIATE_TEST_SUITE_P(
    Elevations, PassTable,
    ::testing::Values(
        PassCase{"Above", 10.0, "RadioButton1", false, kPass, Bytes({kTuned, kTuned, kOn, kOn})},
        PassCase{"Above25Hz", 10.0, "RadioButton2", false, kPass & ~kTuneRx,
                 Bytes({kTuned, kTuned, kOn, kOn})},
        PassCase{"AboveBoxAlreadyTicked", 0.1, "RadioButton1", true, kPass, Bytes({kOn, kOn, kOn})},
        PassCase{"ExactlyZero", 0.0, "RadioButton1", false, kReset | kAdjust,
                 Bytes({kTuned, kTuned, kTuned})},
        PassCase{"Below", -1.0, "RadioButton1", true, kReset | kBox, Bytes({kOn, kOn, kOn})},
        PassCase{"EndOfPass", -2.0, "RadioButton1", true, kReset | kEnd,
                 Bytes({kEndWrites, kGreenBit, 0, 0})},
        PassCase{"EndOfPassBoxUnticked", -2.0, "RadioButton1", false, kReset | kEnd,
                 Bytes({kTxTunedBit, 0, 0})},
        PassCase{"ReadsMinus2From196", -1.96, "RadioButton1", true, kReset | kEnd,
                 Bytes({kEndWrites, kGreenBit, 0, 0})},
        PassCase{"ReadsMinus2From204", -2.04, "RadioButton1", true, kReset | kEnd,
                 Bytes({kEndWrites, kGreenBit, 0, 0})},
        PassCase{"ReadsMinus21", -2.06, "RadioButton1", true, kReset | kBox,
                 Bytes({kOn, kOn, kOn})}),
    [](const auto& info) { return std::string(info.param.name); });

// -1.9 then -2.1: no end; tracking goes on below the horizon until an update reads -2.0, here
// the rise before the next AOS.
TEST(PassSupervisor, JumpOverMinus2IsNoEndUntilSomeUpdateReadsIt) {
    Rig rig;
    rig.update(1000, 10.0, 1200);
    rig.click(1100, "Button11");
    rig.update(3000, -1.9, 1200);
    rig.update(4000, -2.1, 1200);
    rig.run(5000);
    EXPECT_TRUE(rig.form.timer_running(TFMain::Timer2));
    EXPECT_FALSE(rig.form.Button22.enabled());
    EXPECT_TRUE(rig.form.CheckBox2.checked());
    rig.update(9000, -2.0, 1200);
    rig.run(9000);
    EXPECT_FALSE(rig.form.timer_running(TFMain::Timer2));
    EXPECT_TRUE(rig.form.Button22.enabled());
    EXPECT_FALSE(rig.form.CheckBox2.checked());
}

// Every update at -2.0 ends the pass again: a Reset done in between loses its log, but its
// button stays off until the next pass.
TEST(PassSupervisor, RepeatedMinus2RepeatsTheEndActions) {
    Rig rig;
    rig.update(1000, -2.0);
    rig.run(1000);
    rig.form.Edit7.set_text("-300");
    const Span& reset = rig.click(1100, "Button22");
    rig.run(3900);
    EXPECT_EQ(reset.length(), 1200 + 3 * 400);
    EXPECT_EQ(rig.form.Memo1.lines(), TrainLog(3, {"RX freq. set for next pass ! Check it !"}));
    EXPECT_FALSE(rig.form.Button22.enabled());
    rig.update(4000, -2.0);
    rig.run(4000);
    EXPECT_TRUE(rig.form.Memo1.lines().empty());
    EXPECT_FALSE(rig.form.Button22.enabled());
    EXPECT_EQ(rig.writes(4000).size(), 3u);
}

TEST(PassSupervisor, GreenLedBoxUntickedDuringThePassIsTickedAgain) {
    Rig rig;
    rig.update(1000, 10.0);
    rig.click(1500, "CheckBox2");
    rig.update(2000, 10.1);
    rig.run(2000);
    EXPECT_EQ(rig.writes(1000), (std::vector<PortWrite>{{1000, 888, 0},
                                                        {1000, 888, 0},
                                                        {1000, 888, kGreenBit},
                                                        {1000, 888, kGreenBit},
                                                        {1500, 888, 0},
                                                        {2000, 888, 0},
                                                        {2000, 888, 0},
                                                        {2000, 888, kGreenBit},
                                                        {2000, 888, kGreenBit}}));
    EXPECT_TRUE(rig.form.CheckBox2.checked());
}

// Ticked by hand before AOS, the box stays until the update that reads -2.0.
TEST(PassSupervisor, HandTickedBoxBeforeAosLastsUntilMinus2) {
    Rig rig;
    rig.update(1000, -3.0);
    rig.click(1100, "CheckBox2");
    rig.update(2000, -1.0);
    rig.run(2000);
    EXPECT_TRUE(rig.form.CheckBox2.checked());
    EXPECT_EQ(rig.writes(2000).size(), 3u);
    rig.update(3000, -2.0);
    rig.run(3000);
    EXPECT_FALSE(rig.form.CheckBox2.checked());
    EXPECT_EQ(rig.writes(3000),
              (std::vector<PortWrite>{
                  {3000, 888, kGreenBit}, {3000, 888, kGreenBit}, {3000, 888, 0}, {3000, 888, 0}}));
    EXPECT_TRUE(rig.form.Button22.enabled());
}

TEST(PassSupervisor, TypedElevationIsOverwrittenBeforeItIsRead) {
    Rig rig;
    rig.update(1000, 10.0);
    rig.type(1500, "Edit9", "-2.0");
    rig.update(2000, 10.0);
    rig.run(2000);
    EXPECT_EQ(rig.form.Edit9.text(), "10.0");
    EXPECT_FALSE(rig.form.Button22.enabled());
    EXPECT_TRUE(rig.form.CheckBox2.checked());
}

} // namespace
} // namespace dopplex::test
