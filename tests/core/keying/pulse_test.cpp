#include "keying/pulses.h"

#include <gtest/gtest.h>

#include "core/classic/form_rig.h"

namespace dopplex {
namespace {

using test::FormTest;
using test::trace;

struct ManualCase {
    const char* button;
    int byte;
};

class ManualStep : public FormTest<::testing::TestWithParam<ManualCase>> {};

// Raise at the click, lower 200 ms later, return 400 ms after the click.
TEST_P(ManualStep, OnePulseOfTwoHundredMsAndFourHundredMsInAll) {
    enable_hardware();
    std::vector<std::int64_t> taken;
    click_at(1000, GetParam().button);
    mark_at(1001, taken);
    loop.run(5000);
    const int b = GetParam().byte;
    EXPECT_EQ(port.writes(), trace({{1000, b}, {1200, 0}}));
    EXPECT_EQ(taken, (std::vector<std::int64_t>{1400}));
    EXPECT_EQ(form.focused(), GetParam().button);
}

TEST_P(ManualStep, WithTheGateOffNothingIsWrittenButItStillTakesFourHundredMs) {
    std::vector<std::int64_t> taken;
    click_at(1000, GetParam().button);
    mark_at(1001, taken);
    loop.run(5000);
    EXPECT_TRUE(port.writes().empty());
    EXPECT_EQ(taken, (std::vector<std::int64_t>{1400}));
    EXPECT_EQ(form.latch.ChannelByte(), 0);
}

// A manual step leaves every other line as it was and changes no field.
TEST_P(ManualStep, OtherLinesStayAndNoFieldChanges) {
    enable_hardware();
    form.Click("CheckBox2");
    form.Click("CheckBox3");
    port.clear();
    const std::string edit7 = form.Edit7.text();
    const double last_rx = form.LastRxDoppler;
    click_at(1000, GetParam().button);
    loop.run(5000);
    const int b = GetParam().byte;
    EXPECT_EQ(port.writes(), trace({{1000, 136 | b}, {1200, 136}}));
    EXPECT_EQ(form.Edit7.text(), edit7);
    EXPECT_EQ(form.LastRxDoppler, last_rx);
    for (const Control* memo : {&form.Memo1, &form.Memo2, &form.Memo3, &form.Memo4}) {
        EXPECT_TRUE(memo->lines().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Keying, ManualStep,
                         ::testing::Values(ManualCase{"Button2", 1}, ManualCase{"Button3", 2},
                                           ManualCase{"Button20", 16}, ManualCase{"Button21", 32}),
                         [](const auto& info) { return std::string(info.param.button); });

using PulseTest = FormTest<>;

TEST_F(PulseTest, ClicksDuringAPulseArePulsedAfterwardsInArrivalOrder) {
    enable_hardware();
    click_at(1000, "Button2");
    click_at(1100, "Button21");
    click_at(1300, "Button2");
    loop.run(5000);
    EXPECT_EQ(port.writes(),
              trace({{1000, 1}, {1200, 0}, {1400, 32}, {1600, 0}, {1800, 1}, {2000, 0}}));
}

TEST_F(PulseTest, APulseOnAnAlreadyRaisedLineStillEndsLow) {
    enable_hardware();
    form.latch.set_flag(Channel::TxUp, true);
    click_at(0, "Button20");
    loop.run(1000);
    EXPECT_EQ(port.writes(), trace({{0, 16}, {200, 0}}));
    EXPECT_FALSE(form.latch.flag(Channel::TxUp));
}

} // namespace
} // namespace dopplex
