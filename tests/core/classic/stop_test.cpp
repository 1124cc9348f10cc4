// Stop during a train, at exact virtual times: the line goes low at the cut, the log tells how
// far the train got, the rest of the handler and its chain does not run, and the queue goes on.
#include "engine_rig.h"

#include <gtest/gtest.h>

#include "core/classic/form_rig.h" // how a port write is printed

namespace dopplex::test {
namespace {

enum class Train { Tune, Reset, CatchUp };

struct StopCase {
    const char* name;
    Train train;
    std::int64_t stop_after_ms; // from the train's first write
    int whole_pulses;           // written in full before the cut
    bool high_at_cut;           // the next pulse's line was high and the cut lowers it
    const char* stop_line;      // nullptr: no train was running, nothing happens
};

struct TrainSetup {
    const Span* input;
    std::int64_t t0; // the train's first write
    std::uint8_t bit;
    Control* stage;
    Control* log;
};

// Tune RX: 34 pulses UP from 2700. Reset RX after the pass: 84 pulses UP from 2700. Adjust RX
// after a drift of 700 Hz: 7 pulses DOWN from 32200.
TrainSetup Prepare(Rig& rig, Train train) {
    TFMain& f = rig.form;
    switch (train) {
    case Train::Tune:
        rig.update(1000, 10.0, 3400);
        return {&rig.click(1500, "Button1"), 2700, kRxUpBit, &f.Button4, &f.Memo1};
    case Train::Reset:
        rig.update(1000, -2.0);
        rig.run(1000);
        f.Edit7.set_text("-8400");
        return {&rig.click(1500, "Button22"), 2700, kRxUpBit, &f.Button24, &f.Memo1};
    case Train::CatchUp:
        rig.update(1000, 10.0, 3400);
        rig.click(1500, "Button1");
        rig.update(30000, 10.0, 2700);
        // After the tick that steps the new drift once, so that nothing delays the Adjust.
        return {&rig.click(31000, "Button7"), 32200, kRxDownBit, &f.Button8, &f.Memo2};
    }
    return {};
}

class StopTable : public ::testing::TestWithParam<StopCase> {};

TEST_P(StopTable, CutsTheTrainAndTheChainThenTheQueueGoesOn) {
    const StopCase& c = GetParam();
    Rig rig;
    const TrainSetup s = Prepare(rig, c.train);
    const std::int64_t stop = s.t0 + c.stop_after_ms;
    rig.host.stop_at(stop);
    const Span& press = rig.click(s.t0, "Button20"); // queued behind the train
    rig.run(s.t0 + 60000);
    TFMain& f = rig.form;
    ASSERT_TRUE(rig.host.reports().empty()) << rig.host.reports().front().text;

    if (!c.stop_line) {
        EXPECT_GT(s.input->end, stop);
        EXPECT_EQ(s.log->lines().back(), "Blue LED ON !");
        EXPECT_TRUE(f.latch.flag(Channel::RxTuned));
        return;
    }
    const std::uint8_t base = rig.writes(0, s.t0).back().value;
    std::vector<PortWrite> expected = TrainWrites(s.t0, base, s.bit, c.whole_pulses);
    if (c.high_at_cut) {
        const std::int64_t rise = s.t0 + 400 * c.whole_pulses;
        const auto high = static_cast<std::uint8_t>(base | s.bit);
        expected.insert(expected.end(), {PortWrite{rise, 888, high}, PortWrite{rise, 888, high},
                                         PortWrite{stop, 888, base}});
    }
    expected.push_back({stop, 888, static_cast<std::uint8_t>(base | kTxUpBit)}); // the press
    EXPECT_EQ(rig.writes(s.t0, stop + 1), expected);
    EXPECT_EQ(s.input->end, stop);
    EXPECT_EQ(s.log->lines().back(), c.stop_line);
    if (c.train != Train::CatchUp) {
        EXPECT_EQ(s.log->lines().size(), 2u * c.whole_pulses + (c.high_at_cut ? 1 : 0) + 1);
    }
    EXPECT_FALSE(s.stage->enabled());
    EXPECT_FALSE(f.latch.flag(Channel::RxUp) || f.latch.flag(Channel::RxDown));
    // No tuned LED and no chained Adjust after a Tune; the Reset can be clicked again.
    if (c.train == Train::Tune) {
        EXPECT_FALSE(f.latch.flag(Channel::RxTuned));
        EXPECT_FALSE(f.Button7.enabled());
    }
    EXPECT_EQ(f.Button22.enabled(), c.train == Train::Reset);
    EXPECT_EQ(press.start, stop);
    EXPECT_EQ(rig.rises(kTxUpBit, s.t0), std::vector<std::int64_t>{stop});
}

INSTANTIATE_TEST_SUITE_P(
    Trains, StopTable,
    ::testing::Values(
        StopCase{"TuneMidPulse", Train::Tune, 2100, 5, true,
                 "Stopped: 5 of 34 pulses sent, one more cut short"},
        StopCase{"TuneBetweenPulses", Train::Tune, 1900, 5, false, "Stopped: 5 of 34 pulses sent"},
        // At a step's instant the cut comes before the step's writes: a press that had its
        // whole half-period counts as sent.
        StopCase{"TuneAtARise", Train::Tune, 2000, 5, false, "Stopped: 5 of 34 pulses sent"},
        StopCase{"TuneAtAFall", Train::Tune, 1800, 4, true, "Stopped: 5 of 34 pulses sent"},
        StopCase{"TuneAtItsStart", Train::Tune, 0, 0, false, "Stopped: 0 of 34 pulses sent"},
        StopCase{"ResetMidPulse", Train::Reset, 1300, 3, true,
                 "Stopped: 3 of 84 pulses sent, one more cut short"},
        StopCase{"CatchUpBetweenPulses", Train::CatchUp, 1100, 3, false,
                 "Stopped: 3 of 7 pulses sent"},
        StopCase{"NoTrainYet", Train::Tune, -500, 0, false, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dopplex::test
