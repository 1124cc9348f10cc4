// The dial estimate from a port trace: each source's presses at the step in force, a line held
// over several writes counted once, and a new reference starting the side afresh.
#include "keying/dial_estimate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dopplex {
namespace {

constexpr std::uint8_t kRxUp = 1, kRxDown = 2, kRxTuned = 4, kGreen = 8, kTxUp = 16, kTxDown = 32;

struct Step {
    std::vector<std::uint8_t> bytes; // written in order
    double step_hz = 100;
    double rx_reference_hz = 436775000; // set before the bytes
};

struct DialCase {
    const char* name;
    std::vector<Step> steps;
    double rx_dial_hz, tx_dial_hz; // the TX reference is 145825000 throughout
};

class DialTable : public ::testing::TestWithParam<DialCase> {};

TEST_P(DialTable, CountsEveryPressAtItsStep) {
    const DialCase& c = GetParam();
    DialEstimate dial;
    dial.set_reference(Side::Tx, 145825000);
    for (const Step& step : c.steps) {
        dial.set_reference(Side::Rx, step.rx_reference_hz);
        for (std::uint8_t byte : step.bytes) {
            dial.written(byte, step.step_hz);
        }
    }
    EXPECT_EQ(dial.dial_hz(Side::Rx), c.rx_dial_hz);
    EXPECT_EQ(dial.dial_hz(Side::Tx), c.tx_dial_hz);
    EXPECT_EQ(dial.difference_hz(Side::Rx, 436775300), c.rx_dial_hz - 436775300);
}

// A train writes each half-period twice: high, high, then high, low.
const std::vector<std::uint8_t> kTrainOf2Up{1, 1, 1, 0, 1, 1, 1, 0};

INSTANTIATE_TEST_SUITE_P(
    Sources, DialTable,
    ::testing::Values(
        DialCase{"TuneTrainOverTheGreenLed", {{{9, 9, 9, 8, 9, 9, 9, 8}}}, 436775200, 145825000},
        DialCase{"ManualDownAt25Hz", {{{kRxDown, 0, kRxDown, 0}, 25}}, 436774950, 145825000},
        DialCase{"TrackingTxUpAt1000Hz", {{{kTxUp, 0}, 1000}}, 436775000, 145826000},
        DialCase{
            "TunedLedAloneIsNoPress", {{{kRxTuned, kRxTuned | kGreen, 0}}}, 436775000, 145825000},
        DialCase{"StepChangedBetweenPresses",
                 {{kTrainOf2Up, 100}, {{kRxUp, 0}, 1000}},
                 436776200,
                 145825000},
        DialCase{"ResetAndCatchUpBothCount",
                 {{kTrainOf2Up}, {{kRxDown, 0, kRxDown, 0, kRxDown, 0}}},
                 436774900,
                 145825000},
        DialCase{"NewReferenceStartsAfresh",
                 {{kTrainOf2Up}, {{kRxDown, 0}, 100, 436780000}},
                 436779900,
                 145825000},
        DialCase{"BothSidesAtOnce", {{{kRxUp | kTxDown, 0}}}, 436775100, 145824900}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Dial, UnknownWithoutAReference) {
    DialEstimate dial;
    dial.set_reference(Side::Rx, std::nullopt);
    dial.written(kRxUp, 100);
    EXPECT_FALSE(dial.dial_hz(Side::Rx));
    EXPECT_FALSE(dial.difference_hz(Side::Tx, 1));
}

TEST(Dial, LinesReadBackAfterAFailureAreNoPress) {
    DialEstimate dial;
    dial.set_reference(Side::Rx, 436775000);
    dial.resync(kRxUp); // the line was raised while the port could not tell
    dial.written(kRxUp, 100);
    EXPECT_EQ(dial.dial_hz(Side::Rx), 436775000);
}

} // namespace
} // namespace dopplex
