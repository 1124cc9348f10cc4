// Reset after the pass: the count per step from the last shown difference, the direction fixed
// by the side, the log, the button, and the time it holds the window.
#include "engine_rig.h"

#include <gtest/gtest.h>

namespace dopplex::test {
namespace {

const char* const kRxDone = "RX freq. set for next pass ! Check it !";
const char* const kTxDone = "TX freq. set for next pass ! Check it !";

struct ResetCase {
    const char* name;
    const char* step;
    bool tx;
    const char* difference;
    const char* count_text;
    int pulses;
    const char* report; // nullptr: none
};

class ResetTable : public ::testing::TestWithParam<ResetCase> {};

TEST_P(ResetTable, CountTrainLogAndButton) {
    const ResetCase& c = GetParam();
    Rig rig({.step = c.step});
    rig.update(1000, -2.0);
    rig.run(1000);
    (c.tx ? rig.form.Edit22 : rig.form.Edit7).set_text(c.difference);
    const Span& reset = rig.click(1500, c.tx ? "Button23" : "Button22");
    rig.run(1500);
    TFMain& f = rig.form;

    EXPECT_EQ((c.tx ? f.Edit25 : f.Edit24).text(), c.count_text);
    EXPECT_EQ(reset.length(), 1200 + 400 * c.pulses);
    // RX always back up, TX always back down, whatever the sign.
    const std::uint8_t bit = c.tx ? kTxDownBit : kRxUpBit;
    EXPECT_EQ(rig.writes(1500), TrainWrites(2700, 0, bit, c.pulses));
    const Control& memo = c.tx ? f.Memo4 : f.Memo1;
    const Control& button = c.tx ? f.Button23 : f.Button22;
    if (c.report) {
        EXPECT_EQ(rig.report_texts(), std::vector<std::string>{c.report});
        EXPECT_TRUE(memo.lines().empty());
        EXPECT_TRUE(button.enabled());
    } else {
        EXPECT_TRUE(rig.host.reports().empty());
        EXPECT_EQ(memo.lines(), TrainLog(c.pulses, {c.tx ? kTxDone : kRxDone}));
        EXPECT_FALSE(button.enabled());
    }
    EXPECT_TRUE((c.tx ? f.Button25 : f.Button24).enabled());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ResetTable,
    ::testing::Values(
        ResetCase{"Rx100", "RadioButton1", false, "-8400", "-84", 84, nullptr},
        ResetCase{"Rx100PositiveStillUp", "RadioButton1", false, "300", "3", 3, nullptr},
        ResetCase{"Tx100", "RadioButton1", true, "5200", "52", 52, nullptr},
        ResetCase{"Rx25", "RadioButton2", false, "-8410", "-336", 336, nullptr},
        ResetCase{"Rx1000HalfToEven", "RadioButton3", false, "-2500", "-2", 2, nullptr},
        ResetCase{"Tx1000HalfToEven", "RadioButton3", true, "-3500", "-4", 4, nullptr},
        ResetCase{"NoTrackingYet", "RadioButton1", false, "0", "0", 0, nullptr},
        ResetCase{"OffTheGrid", "RadioButton1", false, "-8450", "-84.5", 0,
                  "'-84.5' is not a valid integer value."}),
    [](const auto& info) { return std::string(info.param.name); });

// The end-of-pass text is served for more than a second, so two updates read -2.0: the radio
// is moved back once. A Reset that sent nothing may go again; the next pass arms both again.
TEST(Reset, OncePerPass) {
    Rig rig;
    rig.update(1000, -2.0);
    rig.run(1000);
    rig.form.Edit7.set_text("-500");
    rig.form.Edit22.set_text("-450");
    rig.form.RadioButton1.set_checked(true);
    const Span& first = rig.click(1100, "Button22");
    rig.click(1200, "Button23"); // -4.5 is not a whole count: nothing sent
    rig.update(5000, -2.0);
    rig.run(5000);
    EXPECT_FALSE(rig.form.Button22.enabled());
    EXPECT_TRUE(rig.form.Button23.enabled());
    rig.click(5100, "Button22");
    rig.update(8000, 10.0);
    rig.update(9000, -2.0);
    rig.run(10000);
    EXPECT_EQ(rig.rises(kRxUpBit, first.start, first.end).size(), 5u);
    EXPECT_EQ(rig.rises(kRxUpBit).size(), 5u);
    EXPECT_TRUE(rig.form.Button22.enabled());
    EXPECT_TRUE(rig.form.Button23.enabled());
}

// The TX train starts its counter from the RX start field.
TEST(Reset, TxTrainStartsFromTheRxStartField) {
    Rig rig;
    rig.update(1000, -2.0);
    rig.run(1000);
    rig.form.Edit3.set_text("3");
    rig.form.Edit22.set_text("200");
    rig.click(1500, "Button23");
    rig.run(1500);
    EXPECT_EQ(rig.form.Memo4.lines(), (std::vector<std::string>{"3", "4", kTxDone}));
    EXPECT_EQ(rig.rises(kTxDownBit).size(), 1u);
    EXPECT_TRUE(rig.form.Button25.enabled());
}

} // namespace
} // namespace dopplex::test
