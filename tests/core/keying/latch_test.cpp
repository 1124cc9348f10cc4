#include "keying/channel_latch.h"

#include <gtest/gtest.h>

#include "core/classic/form_rig.h"

namespace dopplex {
namespace {

using test::Byte;
using test::FormTest;
using test::trace;

struct PackCase {
    std::vector<Channel> set;
    int byte;
};

class Packing : public ::testing::TestWithParam<PackCase> {};

TEST_P(Packing, BitNIsTheFlagOfBitN) {
    struct : PortWriter {
        void Out32(std::uint16_t, std::uint8_t) override {}
    } port;
    ChannelLatch latch(port);
    for (Channel c : GetParam().set) {
        latch.set_flag(c, true);
    }
    EXPECT_EQ(latch.ChannelByte(), GetParam().byte);
}

INSTANTIATE_TEST_SUITE_P(
    Latch, Packing,
    ::testing::Values(PackCase{{}, 0}, PackCase{{Channel::RxUp}, 1}, PackCase{{Channel::RxDown}, 2},
                      PackCase{{Channel::RxTuned}, 4}, PackCase{{Channel::GreenLed}, 8},
                      PackCase{{Channel::TxUp}, 16}, PackCase{{Channel::TxDown}, 32},
                      PackCase{{Channel::TxTuned}, 64}, PackCase{{Channel::AuxChannel}, 128},
                      PackCase{{Channel::RxTuned, Channel::GreenLed}, 12},
                      PackCase{{Channel::RxUp, Channel::RxDown, Channel::RxTuned, Channel::GreenLed,
                                Channel::TxUp, Channel::TxDown, Channel::TxTuned,
                                Channel::AuxChannel},
                               255}),
    [](const auto& info) { return "Byte" + std::to_string(info.param.byte); });

using LatchTest = FormTest<>;

// The gate is read at every write, never remembered.
TEST_F(LatchTest, EnableHardwareGatesEveryWrite) {
    form.latch.set_flag(Channel::RxTuned, true);
    form.latch.write_channel_byte();
    form.Click("CheckBox1");
    form.latch.write_channel_byte();
    form.latch.write_channel_byte(); // a duplicate is a real write
    form.latch.set_flag(Channel::TxTuned, true);
    form.Click("CheckBox1");
    form.latch.write_channel_byte();
    form.latch.WritePort(255);
    form.Click("CheckBox1");
    form.latch.WritePort(7);
    EXPECT_EQ(port.writes(), trace({{0, 4}, {0, 4}, {0, 7}}));
}

TEST_F(LatchTest, TickingEnableHardwareWritesNothingByItself) {
    form.Click("CheckBox3");
    form.Click("CheckBox1");
    EXPECT_TRUE(port.writes().empty());
    form.Click("CheckBox1");
    form.Click("CheckBox1");
    EXPECT_TRUE(port.writes().empty());
}

struct BoxCase {
    const char* name;
    std::vector<const char*> clicks;
    bool hardware;
    std::vector<int> bytes;
    bool green;
    bool aux;
};

class ChannelBoxes : public FormTest<::testing::TestWithParam<BoxCase>> {};

TEST_P(ChannelBoxes, EachClickSetsItsFlagAndWritesTheWholeByte) {
    if (GetParam().hardware) {
        enable_hardware();
    }
    for (const char* box : GetParam().clicks) {
        EXPECT_TRUE(form.Click(box));
    }
    std::vector<int> bytes;
    for (const PortWrite& w : port.writes()) {
        EXPECT_EQ(w.address, 888);
        EXPECT_EQ(w.t, 0);
        bytes.push_back(w.value);
    }
    EXPECT_EQ(bytes, GetParam().bytes);
    EXPECT_EQ(form.latch.flag(Channel::GreenLed), GetParam().green);
    EXPECT_EQ(form.latch.flag(Channel::AuxChannel), GetParam().aux);
}

INSTANTIATE_TEST_SUITE_P(
    Latch, ChannelBoxes,
    ::testing::Values(
        BoxCase{"GreenOn", {"CheckBox2"}, true, {8}, true, false},
        BoxCase{"GreenOnOff", {"CheckBox2", "CheckBox2"}, true, {8, 0}, false, false},
        BoxCase{"AuxOn", {"CheckBox3"}, true, {128}, false, true},
        BoxCase{"Both", {"CheckBox2", "CheckBox3", "CheckBox2"}, true, {8, 136, 128}, false, true},
        BoxCase{"GateOffFlagsChangeUnseen", {"CheckBox2", "CheckBox3"}, false, {}, true, true},
        // A tick of the gate plus any write brings the port up to the whole latch.
        BoxCase{"LaterTickShowsTheWholeLatch",
                {"CheckBox2", "CheckBox1", "CheckBox3"},
                false,
                {136},
                true,
                true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LatchTest, AnotherFlagSetMeanwhileGoesOutWithTheBox) {
    enable_hardware();
    form.latch.set_flag(Channel::RxTuned, true);
    form.Click("CheckBox3");
    EXPECT_EQ(port.writes(), trace({{0, 132}}));
}

} // namespace
} // namespace dopplex
