// The window's buttons in closed mode, in virtual time: Tune and Start Tracking never move a
// running side's dial count, and every train of the loop is told like a classic train and ends
// at that side's Stop or at Esc.
#include "engine_rig.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <utility>
#include <vector>

namespace dopplex::test {
namespace {

constexpr int kEsc = -1; // stops both sides, as the window's Esc does

struct Trains : FormObserver {
    void control_changed(const Control&, Change) override {}
    void focus_moved(const std::string&) override {}
    void train_progress(const TrainProgress& p) override { told.push_back(p); }
    std::vector<TrainProgress> told;
};

struct ClosedRig : Rig {
    ClosedRig() {
        LoopSettings settings;
        settings.start_at_aos = true;
        form.closed_loop.configure(settings);
        form.SetTrackingMode(TrackingMode::Closed);
        form.add_observer(&trains);
    }
    // The operator's Stop of a side, or Esc.
    void stop(std::int64_t t, int side) {
        loop.post(
            EventKind::Control,
            [this, side] {
                form.StopTrains(side == kEsc ? std::nullopt
                                             : std::optional<Side>(static_cast<Side>(side)));
            },
            t);
    }
    // AOS at 1000 with the Doppler 3400 Hz above the RX reference: the loop starts at the
    // reference and catches up with 34 UP presses, one every 400 ms.
    void pass_from_aos(std::int64_t until) {
        for (std::int64_t t = 1000; t <= until; t += 1000) {
            update(t, 10.0, 3400);
        }
    }
    // Caught up after AOS, then the end of the pass at 20000.
    void pass_then_end() {
        pass_from_aos(19000);
        update(20000, -2.0, 3400);
    }
    double rx_dial() const { return form.closed_loop.state(Side::Rx).dial_hz.value_or(0); }

    Trains trains;
};

struct GlueCase {
    const char* name;
    std::function<void(ClosedRig&)> script;
    std::int64_t until;
    std::function<void(const ClosedRig&)> check;
};

const TrainProgress& last(const ClosedRig& r) {
    return r.trains.told.back();
}

// A click of `button` of a side whose loop is catching up: its 34 presses are all it sends.
GlueCase restart_case(const char* name, const char* button) {
    return {name,
            [button](ClosedRig& r) {
                r.pass_from_aos(30000);
                r.click(5000, button);
            },
            30000,
            [](const ClosedRig& r) {
                EXPECT_EQ(r.rises(kRxUpBit).size(), 34u);
                EXPECT_EQ(r.rx_dial(), kRxRefHz + 3400);
            }};
}

const GlueCase kCases[] = {
    restart_case("TuneWhileTheLoopCatchesUpKeepsItsDialCount", "Button1"),
    restart_case("StartTrackingWhileTheLoopCatchesUpKeepsItsDialCount", "Button11"),
    {"TheCatchUpIsATrainThatItsSideStopEnds",
     [](ClosedRig& r) {
         r.pass_from_aos(10000);
         r.stop(3300, static_cast<int>(Side::Rx)); // in the gap after the sixth press
     },
     10000,
     [](const ClosedRig& r) {
         EXPECT_EQ(r.rises(kRxUpBit),
                   (std::vector<std::int64_t>{1000, 1400, 1800, 2200, 2600, 3000}));
         EXPECT_EQ(r.trains.told.front(), (TrainProgress{Channel::RxUp, 0, 34, 13400, true}));
         EXPECT_EQ(last(r), (TrainProgress{Channel::RxUp, 6, 34, 0, false}));
         EXPECT_FALSE(r.form.closed_loop.state(Side::Rx).tracking);
     }},
    {"StopEndsAResetWhichMayThenCountBackTheRest",
     [](ClosedRig& r) {
         r.pass_then_end();
         r.click(21000, "Button22");
         r.stop(23300, static_cast<int>(Side::Rx));
     },
     30000,
     [](const ClosedRig& r) {
         EXPECT_EQ(r.rises(kRxDownBit, 21000).size(), 6u);
         EXPECT_EQ(last(r), (TrainProgress{Channel::RxDown, 6, 34, 0, false}));
         EXPECT_EQ(r.rx_dial(), kRxRefHz + 2800);
         EXPECT_TRUE(r.form.Button22.enabled());
     }},
    {"TheOtherSidesStopLeavesAResetRunning",
     [](ClosedRig& r) {
         r.pass_then_end();
         r.click(21000, "Button22");
         r.stop(23300, static_cast<int>(Side::Tx));
     },
     40000,
     [](const ClosedRig& r) {
         EXPECT_EQ(r.rises(kRxDownBit, 21000).size(), 34u);
         EXPECT_EQ(last(r), (TrainProgress{Channel::RxDown, 34, 34, 0, false}));
         EXPECT_EQ(r.rx_dial(), kRxRefHz);
     }},
    {"AResetThatRanStaysOffAtTheNextEndOfPassText",
     [](ClosedRig& r) {
         r.pass_then_end();
         r.click(21000, "Button22");
         r.update(40000, -2.0, 3400);
     },
     40000,
     [](const ClosedRig& r) {
         EXPECT_EQ(r.rx_dial(), kRxRefHz);
         EXPECT_FALSE(r.form.Button22.enabled());
     }},
    {"EscEndsAnArrowKeyRun",
     [](ClosedRig& r) {
         for (std::int64_t t = 1000; t < 1006; ++t) {
             r.key(t, 38); // up arrow: RX up
         }
         r.stop(2100, kEsc);
     },
     5000,
     [](const ClosedRig& r) {
         EXPECT_EQ(r.rises(kRxUpBit), (std::vector<std::int64_t>{1000, 1400, 1800}));
         EXPECT_EQ(last(r), (TrainProgress{Channel::RxUp, 3, 6, 0, false}));
     }},
    {"EscLetsThePressInFlightRunItsLength",
     [](ClosedRig& r) {
         LoopSettings settings = r.form.closed_loop.settings();
         settings.side(Side::Rx).press_ms = 300;
         settings.side(Side::Rx).gap_ms = 30;
         r.form.closed_loop.configure(settings);
         for (std::int64_t t = 1000; t < 1010; ++t) {
             r.key(t, 38);
         }
         r.stop(1333, kEsc); // 3 ms into the second press
     },
     5000,
     [](const ClosedRig& r) {
         std::vector<std::pair<std::int64_t, bool>> edges;
         bool high = false;
         for (const PortWrite& w : r.writes(0)) {
             if (((w.value & kRxUpBit) != 0) != high) {
                 high = !high;
                 edges.emplace_back(w.t, high);
             }
         }
         EXPECT_EQ(edges, (std::vector<std::pair<std::int64_t, bool>>{
                              {1000, true}, {1300, false}, {1330, true}, {1630, false}}));
         EXPECT_EQ(last(r), (TrainProgress{Channel::RxUp, 2, 10, 0, false}));
     }},
    {"CurrentDopplerShowsTheShiftAtTheSideStep",
     [](ClosedRig& r) {
         LoopSettings settings = r.form.closed_loop.settings();
         settings.side(Side::Tx).step_hz = 1000;
         r.form.closed_loop.configure(settings);
         r.update(1000, 10.0, 3449, -1501);
     },
     2000,
     [](const ClosedRig& r) {
         EXPECT_EQ(r.form.Edit7.text(), "3400");
         EXPECT_EQ(r.form.Edit22.text(), "-2000");
     }},
    {"AKeptOffsetComesBackWhenClosedLoopIsChosenInThePass",
     [](ClosedRig& r) {
         r.form.SetTrackingMode(TrackingMode::Classic);
         r.form.closed_loop.keep_offsets({{"AO-91", {1000, 0}}});
         r.update(1000, 10.0, 3400);
         r.loop.post(
             EventKind::Input, [&r] { r.form.SetTrackingMode(TrackingMode::Closed); }, 1500);
         r.update(2000, 10.0, 3400);
     },
     2500,
     [](const ClosedRig& r) { EXPECT_EQ(r.form.closed_loop.state(Side::Rx).offset_hz, 1000); }},
    {"OneArrowPressIsNoTrain", [](ClosedRig& r) { r.key(1000, 38); }, 5000,
     [](const ClosedRig& r) {
         EXPECT_EQ(r.rises(kRxUpBit), (std::vector<std::int64_t>{1000}));
         EXPECT_TRUE(r.trains.told.empty());
     }},
};

void PrintTo(const GlueCase& c, std::ostream* os) {
    *os << c.name;
}

class ClosedModeGlue : public ::testing::TestWithParam<GlueCase> {};

TEST_P(ClosedModeGlue, Holds) {
    const GlueCase& c = GetParam();
    ClosedRig rig;
    c.script(rig);
    rig.run(c.until);
    c.check(rig);
}

INSTANTIATE_TEST_SUITE_P(ClosedMode, ClosedModeGlue, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dopplex::test
