#include "classic/tfmain.h"

#include <gtest/gtest.h>

#include "core/classic/form_rig.h"

namespace dopplex {
namespace {

using test::FormTest;
using test::trace;

struct ArrowCase {
    int key;
    int byte;
};

class ArrowKey : public FormTest<::testing::TestWithParam<ArrowCase>> {};

TEST_P(ArrowKey, PulsesItsRadioWhicheverControlHasTheFocus) {
    enable_hardware();
    form.Click("Button6"); // the focus on another button
    at(1000, [this] { form.KeyDown(GetParam().key); });
    loop.run(5000);
    const int b = GetParam().byte;
    EXPECT_EQ(port.writes(), trace({{1000, b}, {1200, 0}}));
    EXPECT_EQ(form.focused(), "Button6");
}

TEST_P(ArrowKey, TheHookSetsHandledOnlyForAKeyDown) {
    bool handled = false;
    form.AppMessage(kWmSysKeyDown, GetParam().key, handled);
    EXPECT_FALSE(handled);
    EXPECT_EQ(host.now(), 0);
    form.AppMessage(kWmKeyDown, GetParam().key, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(host.now(), 400);
}

TEST_P(ArrowKey, WithAltItIsASystemKeyAndIsLeftAlone) {
    enable_hardware();
    at(1000, [this] { form.SysKeyDown(GetParam().key); });
    loop.run(5000);
    EXPECT_TRUE(port.writes().empty());
    EXPECT_EQ(host.now(), 5000);
}

// left: TX up, up: RX up, right: TX down, down: RX down
INSTANTIATE_TEST_SUITE_P(Keying, ArrowKey,
                         ::testing::Values(ArrowCase{37, 16}, ArrowCase{38, 1}, ArrowCase{39, 32},
                                           ArrowCase{40, 2}),
                         [](const auto& info) { return "Key" + std::to_string(info.param.key); });

using KeyTest = FormTest<>;

TEST_F(KeyTest, OtherKeysPulseNothing) {
    enable_hardware();
    std::vector<std::int64_t> taken;
    int t = 1000;
    for (int key : {9, 13, 32, 36, 41, 48, 65, 0, 255}) {
        at(t, [this, key] {
            bool handled = false;
            form.AppMessage(kWmKeyDown, key, handled);
            EXPECT_FALSE(handled) << key;
            form.KeyDown(key);
        });
        t += 10;
    }
    mark_at(t, taken);
    loop.run(5000);
    EXPECT_TRUE(port.writes().empty());
    EXPECT_EQ(taken, (std::vector<std::int64_t>{t}));
    EXPECT_TRUE(host.reports().empty());
}

TEST_F(KeyTest, HeldArrowDuringAPulseGivesOnePulsePerKeyDownAfterwards) {
    enable_hardware();
    at(1000, [this] { form.KeyDown(38); });
    at(1050, [this] { form.KeyDown(38); });
    at(1100, [this] { form.KeyDown(38); });
    loop.run(5000);
    EXPECT_EQ(port.writes(),
              trace({{1000, 1}, {1200, 0}, {1400, 1}, {1600, 0}, {1800, 1}, {2000, 0}}));
}

TEST_F(KeyTest, EnterDoesNothingWhileAdjustIsDisabled) {
    form.KeyDown(13);
    EXPECT_TRUE(host.reports().empty());
    EXPECT_EQ(form.focused(), "");
}

// Adjust reads the RX reference, still "Enter Freq E8": its report shows that it ran.
TEST_F(KeyTest, EnterClicksAdjustWhenItIsEnabled) {
    form.Button7.set_enabled(true);
    at(1000, [this] { form.KeyDown(13); });
    loop.run(2000);
    EXPECT_EQ(reports(),
              (std::vector<std::string>{"'Enter Freq E8' is not a valid floating point value."}));
    EXPECT_EQ(form.focused(), "Button7");
}

TEST_F(KeyTest, EnterClicksTheFocusedButtonInsteadOfAdjust) {
    enable_hardware();
    form.Button7.set_enabled(true);
    click_at(1000, "Button21");
    at(2000, [this] { form.KeyDown(13); });
    at(3000, [this] { form.KeyDown(32); });
    loop.run(5000);
    EXPECT_EQ(port.writes(),
              trace({{1000, 32}, {1200, 0}, {2000, 32}, {2200, 0}, {3000, 32}, {3200, 0}}));
    EXPECT_TRUE(host.reports().empty());
}

TEST_F(KeyTest, SpaceWithoutAFocusedButtonDoesNothing) {
    form.Button7.set_enabled(true);
    form.KeyDown(32);
    EXPECT_TRUE(host.reports().empty());
    EXPECT_EQ(form.focused(), "");
}

struct ExitCase {
    const char* name;
    bool hardware;
    std::vector<int> bytes;
    int latch_after;
};

class ExitButton : public FormTest<::testing::TestWithParam<ExitCase>> {};

// Flags RxUp, GreenLed, TxDown and AuxChannel set: 1 + 8 + 32 + 128.
TEST_P(ExitButton, LowersEveryLineInBitOrderOnlyWithTheHardwareEnabled) {
    if (GetParam().hardware) {
        enable_hardware();
    }
    for (Channel c : {Channel::RxUp, Channel::GreenLed, Channel::TxDown, Channel::AuxChannel}) {
        form.latch.set_flag(c, true);
    }
    int closed = 0;
    form.on_close = [&] { ++closed; };
    click_at(1000, "SpeedButton1");
    loop.run(2000);
    std::vector<int> bytes;
    for (const PortWrite& w : port.writes()) {
        EXPECT_EQ(w.t, 1000);
        bytes.push_back(w.value);
    }
    EXPECT_EQ(bytes, GetParam().bytes);
    EXPECT_EQ(form.latch.ChannelByte(), GetParam().latch_after);
    EXPECT_EQ(closed, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Keying, ExitButton,
    ::testing::Values(ExitCase{"HardwareEnabled", true, {168, 168, 168, 160, 160, 128, 128, 0}, 0},
                      ExitCase{"HardwareDisabled", false, {}, 169}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dopplex
