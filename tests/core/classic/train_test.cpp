#include "classic/pulse_train.h"

#include <gtest/gtest.h>

#include "core/classic/form_rig.h"

namespace dopplex {
namespace {

using test::Byte;
using test::FormTest;
using test::trace;

constexpr std::int64_t kT = 1000; // when the train starts

// `n` pulses on the line of `bit` from `t`: each half-period writes twice, the line rising on
// the first write of an odd count and falling on the second write of an even one.
std::vector<PortWrite> pulses(std::int64_t t, int bit, int n) {
    std::vector<PortWrite> out;
    for (int i = 0; i < n; ++i, t += 400) {
        const auto b = static_cast<std::uint8_t>(bit);
        out.insert(out.end(), {{t, 888, b}, {t, 888, b}, {t + 200, 888, b}, {t + 200, 888, 0}});
    }
    return out;
}

std::vector<std::string> counted(int from, int to) {
    std::vector<std::string> lines;
    for (int i = from; i <= to; ++i) {
        lines.push_back(std::to_string(i));
    }
    return lines;
}

class TrainTest : public FormTest<> {
protected:
    std::vector<std::int64_t> taken;

    // Runs the RX UP train of Tune ("EC1": Edit3, Edit4, Memo1) at kT, with the memo holding
    // an old line, and notes when the next input is taken.
    void run_train(const std::string& start, const std::string& count, bool log = true) {
        form.Edit3.set_text(start);
        form.Edit4.set_text(count);
        form.Memo1.add_line("old");
        at(kT, [this, log] {
            PulseTrain(form.latch, host,
                       {form.Edit3, form.Edit4, log ? &form.Memo1 : nullptr, Channel::RxUp});
        });
        mark_at(kT, taken); // taken right after the train
        loop.run(kT + 10'000'000);
    }
    std::int64_t duration() const { return taken.at(0) - kT; }
};

TEST_F(TrainTest, TenPulsesLogTwentyLinesInFourSeconds) {
    enable_hardware();
    run_train("1", "10");
    EXPECT_EQ(form.Memo1.lines(), counted(1, 20));
    EXPECT_EQ(port.writes(), pulses(kT, 1, 10));
    EXPECT_EQ(port.writes().size(), 40u);
    EXPECT_EQ(duration(), 4000);
    EXPECT_FALSE(form.latch.flag(Channel::RxUp));
    EXPECT_TRUE(host.reports().empty());
}

TEST_F(TrainTest, ANegativeCountSendsItsMagnitude) {
    enable_hardware();
    run_train("1", "-3");
    EXPECT_EQ(form.Memo1.lines(), counted(1, 6));
    EXPECT_EQ(port.writes(), trace({{1000, 1},
                                    {1000, 1},
                                    {1200, 1},
                                    {1200, 0},
                                    {1400, 1},
                                    {1400, 1},
                                    {1600, 1},
                                    {1600, 0},
                                    {1800, 1},
                                    {1800, 1},
                                    {2000, 1},
                                    {2000, 0}}));
    EXPECT_EQ(duration(), 1200);
}

TEST_F(TrainTest, MinusTenIsTheSameAsTen) {
    enable_hardware();
    run_train("1", "-10");
    EXPECT_EQ(form.Memo1.lines(), counted(1, 20));
    EXPECT_EQ(port.writes(), pulses(kT, 1, 10));
    EXPECT_EQ(duration(), 4000);
}

struct EmptyCase {
    const char* name;
    const char* start;
    const char* count;
};

class EmptyTrain : public TrainTest, public ::testing::WithParamInterface<EmptyCase> {};

// The memo is emptied, and nothing else happens: no line, no write, no time.
TEST_P(EmptyTrain, OnlyEmptiesItsMemo) {
    enable_hardware();
    form.latch.set_flag(Channel::TxTuned, true);
    run_train(GetParam().start, GetParam().count);
    EXPECT_TRUE(form.Memo1.lines().empty());
    EXPECT_TRUE(port.writes().empty());
    EXPECT_EQ(duration(), 0);
    EXPECT_TRUE(host.reports().empty());
    EXPECT_EQ(form.latch.ChannelByte(), 64);
}

INSTANTIATE_TEST_SUITE_P(Keying, EmptyTrain,
                         ::testing::Values(EmptyCase{"CountZero", "1", "0"},
                                           EmptyCase{"CountMinusZero", "1", "-0"},
                                           EmptyCase{"BoundBelowStart", "5", "2"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TrainTest, AnEvenStartBeginsWithALowHalfPeriod) {
    enable_hardware();
    run_train("2", "1");
    EXPECT_EQ(form.Memo1.lines(), counted(2, 2));
    EXPECT_EQ(port.writes(), trace({{1000, 0}, {1000, 0}}));
    EXPECT_EQ(duration(), 200);
}

TEST_F(TrainTest, AStartOfZeroAddsALowHalfPeriodFirst) {
    enable_hardware();
    run_train("0", "1");
    EXPECT_EQ(form.Memo1.lines(), counted(0, 2));
    EXPECT_EQ(port.writes(),
              trace({{1000, 0}, {1000, 0}, {1200, 1}, {1200, 1}, {1400, 1}, {1400, 0}}));
    EXPECT_EQ(duration(), 600);
}

// After every step: pulses whose line went high and low again, and the waits still to come.
TEST_F(TrainTest, TellsItsProgressAtEveryStepAndOnceAtTheEnd) {
    enable_hardware();
    std::vector<TrainProgress> told;
    const TrainProgressListener listener = [&](const TrainProgress& p) { told.push_back(p); };
    form.Edit3.set_text("1");
    form.Edit4.set_text("-2");
    at(kT, [&] {
        PulseTrain(form.latch, host, {form.Edit3, form.Edit4, nullptr, Channel::TxDown, &listener});
    });
    loop.run(kT + 10'000);
    const Channel c = Channel::TxDown;
    EXPECT_EQ(told, (std::vector<TrainProgress>{{c, 0, 2, 800, true},
                                                {c, 1, 2, 600, true},
                                                {c, 1, 2, 400, true},
                                                {c, 2, 2, 200, true},
                                                {c, 2, 2, 0, false}}));
}

TEST_F(TrainTest, WithoutAMemoNothingIsLogged) {
    enable_hardware();
    run_train("1", "2", false);
    EXPECT_EQ(form.Memo1.lines(), (std::vector<std::string>{"old"}));
    EXPECT_EQ(port.writes(), pulses(kT, 1, 2));
}

TEST_F(TrainTest, WithTheGateOffItLogsAndWaitsButWritesNothing) {
    run_train("1", "4");
    EXPECT_EQ(form.Memo1.lines(), counted(1, 8));
    EXPECT_TRUE(port.writes().empty());
    EXPECT_EQ(duration(), 1600);
    EXPECT_FALSE(form.latch.flag(Channel::RxUp));
}

TEST_F(TrainTest, TheLargestAcceptedCountRunsToItsEnd) {
    enable_hardware();
    run_train("1", std::to_string(kMaxTrainPulses));
    EXPECT_EQ(form.Memo1.lines().size(), 2u * kMaxTrainPulses);
    EXPECT_EQ(form.Memo1.lines().back(), std::to_string(2 * kMaxTrainPulses));
    EXPECT_EQ(port.writes().size(), 4u * kMaxTrainPulses);
    EXPECT_EQ(port.writes().back(), (PortWrite{kT + 400 * kMaxTrainPulses - 200, 888, 0}));
    EXPECT_EQ(duration(), 400 * kMaxTrainPulses);
}

struct RefusedCase {
    const char* name;
    const char* start;
    const char* count;
    std::string report;
};

class RefusedTrain : public TrainTest, public ::testing::WithParamInterface<RefusedCase> {};

// Refused before the first half-period: the memo is emptied, the line is left as it was,
// nothing is written and no time passes.
TEST_P(RefusedTrain, IsReportedAndSendsNothing) {
    enable_hardware();
    form.latch.set_flag(Channel::RxUp, true);
    run_train(GetParam().start, GetParam().count);
    EXPECT_EQ(reports(), (std::vector<std::string>{GetParam().report}));
    EXPECT_EQ(host.reports()[0].t, kT);
    EXPECT_TRUE(form.Memo1.lines().empty());
    EXPECT_TRUE(port.writes().empty());
    EXPECT_TRUE(form.latch.flag(Channel::RxUp));
    EXPECT_EQ(duration(), 0);
}

std::string too_many(const std::string& count) {
    return "A train of " + count +
           " pulses is more than a pass can need (at most 10000): nothing was sent.";
}

INSTANTIATE_TEST_SUITE_P(
    Keying, RefusedTrain,
    ::testing::Values(
        RefusedCase{"Fraction", "1", "12.5", "'12.5' is not a valid integer value."},
        RefusedCase{"TrailingBlank", "1", "12 ", "'12 ' is not a valid integer value."},
        RefusedCase{"FormText", "1", "Edit4", "'Edit4' is not a valid integer value."},
        RefusedCase{"Empty", "1", "", "'' is not a valid integer value."},
        RefusedCase{"BeyondInt32", "1", "2147483648", "'2147483648' is not a valid integer value."},
        RefusedCase{"StartReadFirst", "x", "y", "'x' is not a valid integer value."},
        RefusedCase{"OneTooMany", "1", "10001", too_many("10001")},
        RefusedCase{"OneTooManyDown", "1", "-10001", too_many("-10001")},
        RefusedCase{"DoubledBeyondInt32", "1", "1073741824", too_many("1073741824")},
        RefusedCase{"Largest", "1", "2147483647", too_many("2147483647")},
        RefusedCase{"Smallest", "1", "-2147483648", too_many("-2147483648")}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dopplex
