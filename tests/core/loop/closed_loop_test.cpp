// The closed loop's rules in virtual time: a pass of tracker updates once a second, the loop's
// presses and the port trace they make.
#include "keying/recording_port.h"
#include "loop/closed_loop.h"
#include "runtime/event_loop.h"
#include "runtime/virtual_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <ostream>
#include <string>
#include <vector>

namespace dopplex {
namespace {

constexpr double kRx = 436'000'000;
constexpr double kTx = 145'000'000;
using Hz = std::function<double(std::int64_t)>; // Doppler frequency by time, ms

Hz constant(double hz) {
    return [hz](std::int64_t) { return hz; };
}
// Moves `hz_per_s` from `from` for `ms`, then stays.
Hz ramp(double start, double hz_per_s, std::int64_t from, std::int64_t ms) {
    return [=](std::int64_t t) {
        return start +
               hz_per_s * static_cast<double>(std::clamp<std::int64_t>(t - from, 0, ms)) / 1000;
    };
}

// Falls `hz_per_s` from `start` all the way, as a downlink through a pass.
Hz falling(double start, double hz_per_s) {
    return [=](std::int64_t t) { return start - hz_per_s * static_cast<double>(t) / 1000; };
}

// The presses of a side against the way its Doppler moves (it falls in these rows).
int presses_up(const std::vector<LoopPress>& presses) {
    return static_cast<int>(std::count_if(presses.begin(), presses.end(), [](const LoopPress& p) {
        return p.direction == PressDirection::Up;
    }));
}

struct Rig : LoopObserver {
    explicit Rig(const LoopSettings& settings) {
        latch.set_gate(true);
        closed.configure(settings);
        closed.add_observer(this);
    }
    void loop_pressed(const LoopPress& p) override { presses.push_back(p); }
    void loop_behind(Side side, int steps) override {
        if (side == Side::Rx) {
            behind.push_back(steps);
        }
    }

    void at(std::int64_t t, std::function<void()> action) {
        loop.post(EventKind::Input, std::move(action), t);
    }
    // One update a second from `from` to `to`, each arriving `late(t)` after its moment.
    void updates(std::int64_t from, std::int64_t to, Hz rx, Hz tx, Hz el,
                 const std::function<std::int64_t(std::int64_t)>& late) {
        rx_ = rx;
        for (std::int64_t t = from; t <= to; t += 1000) {
            loop.post(
                EventKind::Link,
                [this, t, rx, tx, el] {
                    edges.push_back(closed.update("AO-7", el(t), rx(t), tx(t)));
                },
                t + late(t));
        }
    }
    void updates(std::int64_t from, std::int64_t to, Hz rx, Hz tx, double el = 10) {
        updates(from, to, std::move(rx), std::move(tx), constant(el), on_time);
    }
    static std::int64_t on_time(std::int64_t) { return 0; }
    std::vector<LoopPress> of(Side side) const {
        std::vector<LoopPress> mine;
        std::copy_if(presses.begin(), presses.end(), std::back_inserter(mine),
                     [side](const LoopPress& p) { return p.side == side; });
        return mine;
    }
    // The RX dial once the presses raised before `t` were taken.
    double rx_dial_at(std::int64_t t, double start) const {
        double dial = start;
        for (const LoopPress& p : of(Side::Rx)) {
            if (p.t + kPressTakesMs <= t) {
                dial = p.dial_hz;
            }
        }
        return dial;
    }
    // The largest distance from the Doppler frequency at the updates from `from` to `to`.
    double rx_worst(std::int64_t from, std::int64_t to, double start) const {
        double worst = 0;
        for (std::int64_t t = from; t <= to; t += 1000) {
            worst = std::max(worst, std::fabs(rx_dial_at(t, start) - rx_(t)));
        }
        return worst;
    }
    std::vector<std::int64_t> times(Side side) const {
        std::vector<std::int64_t> t;
        for (const LoopPress& p : of(side)) {
            t.push_back(p.t);
        }
        return t;
    }
    double dial(Side side) const { return *closed.state(side).dial_hz; }

    VirtualHost host;
    EventLoop loop{host};
    RecordingPort port{host};
    ChannelLatch latch{port};
    ClosedLoop closed{loop, latch};
    void loop_tuning_ahead(Side side, std::int64_t aos_in_ms) override {
        ahead.push_back({side, aos_in_ms});
    }
    void loop_reach(Side side, bool in_reach, double) override {
        reach.push_back({side, in_reach});
    }

    std::vector<LoopPress> presses;
    std::vector<int> behind;
    std::vector<PassEdge> edges;
    std::vector<std::pair<Side, std::int64_t>> ahead;
    std::vector<std::pair<Side, bool>> reach;

private:
    Hz rx_;
};

std::vector<std::int64_t> every(std::int64_t from, std::int64_t step, int count) {
    std::vector<std::int64_t> t;
    for (int i = 0; i < count; ++i) {
        t.push_back(from + step * i);
    }
    return t;
}

struct RuleCase {
    const char* name;
    std::function<void(LoopSettings&)> settings;
    std::function<void(Rig&)> script;
    std::int64_t until;
    std::function<void(const Rig&)> check;
};

void start_both(Rig& r) {
    r.at(0, [&r] {
        r.closed.start(Side::Rx, kRx);
        r.closed.start(Side::Tx, kTx);
    });
}

// Both sides start on their references at the first of the updates up to `until`.
void follow(Rig& r, std::int64_t until, Hz rx, Hz tx = constant(kTx)) {
    r.updates(0, until, std::move(rx), std::move(tx));
    start_both(r);
}

// An RX offset step moves the TX offset by `tx_hz`.
RuleCase lock_row(const char* name, OffsetLock lock, double tx_hz) {
    return {name, [lock](LoopSettings& s) { s.lock = lock; },
            [](Rig& r) {
                follow(r, 4000, constant(kRx));
                r.at(1000, [&r] { r.closed.operator_press(Side::Rx, PressDirection::Up); });
            },
            4000,
            [tx_hz](const Rig& r) {
                EXPECT_EQ(r.closed.state(Side::Tx).offset_hz, tx_hz);
                EXPECT_EQ(r.dial(Side::Tx), kTx + tx_hz);
            }};
}

// One stray frequency, at 3 s, amid a tracker that wants the dial 10 steps up from its reference
// `dial_hz`: exactly those 10 presses, and the stray told of once.
RuleCase stray_row(const char* name, double dial_hz, std::int64_t step_hz, double stray_hz) {
    return {name, [step_hz](LoopSettings& s) { s.side(Side::Rx).step_hz = step_hz; },
            [=](Rig& r) {
                const double target = dial_hz + 10 * static_cast<double>(step_hz);
                r.updates(
                    0, 8000, [=](std::int64_t t) { return t == 3000 ? stray_hz : target; },
                    constant(kTx));
                r.at(0, [&r, dial_hz] {
                    r.closed.set_reference(Side::Rx, dial_hz);
                    r.closed.start(Side::Rx, dial_hz);
                });
            },
            8000,
            [=](const Rig& r) {
                EXPECT_EQ(r.times(Side::Rx), every(0, 400, 10));
                EXPECT_EQ(presses_up(r.of(Side::Rx)), 10);
                EXPECT_EQ(r.dial(Side::Rx), dial_hz + 10 * static_cast<double>(step_hz));
                EXPECT_LE(*std::max_element(r.behind.begin(), r.behind.end()), 9);
                EXPECT_EQ(r.reach, (std::vector<std::pair<Side, bool>>{{Side::Rx, false},
                                                                       {Side::Rx, true}}));
            }};
}

const RuleCase kRules[] = {
    stray_row("AStrayFrequencyInTheBandMovesNothing", kRx, 100, 430'000'000),
    stray_row("AStrayFrequencyAtTwoPointFourGigahertzMovesNothing", 2'400'100'000, 10,
              2'353'000'000),
    stray_row("AStrayFrequencyJustBeyondTheDopplerMovesNothing", kRx, 100, kRx + 18'000),
    // A stray client between the tracker's updates for 15 s: the dial follows the tracker alone,
    // and the stray is told of once, and its end once.
    {"AStrayClientEverySecondIsToldOfOnceAndMovesNothing", [](LoopSettings&) {},
     [](Rig& r) {
         r.updates(5500, 19500, constant(430'000'000), constant(kTx));
         follow(r, 30000, falling(kRx, 200));
     },
     30000,
     [](const Rig& r) {
         EXPECT_EQ(presses_up(r.of(Side::Rx)), 0);
         EXPECT_EQ(r.of(Side::Rx).size(), 60u);
         EXPECT_LE(r.rx_worst(3000, 30000, kRx), 100);
         EXPECT_EQ(r.reach,
                   (std::vector<std::pair<Side, bool>>{{Side::Rx, false}, {Side::Rx, true}}));
     }},
    // The operator's offset moves where the side belongs: a frequency that far off is followed.
    {"TheOffsetMovesTheReach", [](LoopSettings& s) { s.side(Side::Rx).step_hz = 5000; },
     [](Rig& r) {
         follow(r, 1000, constant(kRx));
         for (int i = 0; i < 4; ++i) {
             r.at(1500, [&r] { r.closed.operator_press(Side::Rx, PressDirection::Up); });
         }
         r.updates(3000, 12000, constant(kRx + 30'000), constant(kTx));
     },
     12000,
     [](const Rig& r) {
         EXPECT_EQ(r.dial(Side::Rx), kRx + 50'000);
         EXPECT_TRUE(r.reach.empty());
     }},
    // Where the side belongs is its reference, not where its dial was started.
    {"TheReferenceIsWhereTheSideBelongs", [](LoopSettings&) {},
     [](Rig& r) {
         r.at(0, [&r] {
             r.closed.set_reference(Side::Rx, kRx - 30'000);
             r.closed.start(Side::Rx, kRx);
         });
         r.updates(0, 4000, constant(kRx + 1000), constant(kTx));
     },
     4000,
     [](const Rig& r) {
         EXPECT_TRUE(r.presses.empty());
         EXPECT_EQ(r.reach, (std::vector<std::pair<Side, bool>>{{Side::Rx, false}}));
     }},
    // A stray 2 m frequency on a 70 cm receiver would be 290 MHz of presses.
    {"AFrequencyNoDopplerExplainsIsNotFollowed", [](LoopSettings&) {},
     [](Rig& r) {
         follow(r, 8000,
                [](std::int64_t t) { return t < 2000 || t >= 5000 ? kRx + 1000 : 145'960'000.0; });
     },
     8000,
     [](const Rig& r) {
         EXPECT_EQ(r.times(Side::Rx), every(0, 400, 10)); // the tracker's, none for the stray
         EXPECT_EQ(presses_up(r.of(Side::Rx)), 10);
         EXPECT_EQ(r.dial(Side::Rx), kRx + 1000);
         EXPECT_EQ(r.reach,
                   (std::vector<std::pair<Side, bool>>{{Side::Rx, false}, {Side::Rx, true}}));
         EXPECT_FALSE(r.closed.state(Side::Rx).out_of_reach);
     }},
    {"CatchUpPressesEveryPressAndGap", [](LoopSettings&) {},
     [](Rig& r) { follow(r, 6000, constant(kRx + 1000)); }, 6000,
     [](const Rig& r) {
         EXPECT_EQ(r.times(Side::Rx), every(0, 400, 10));
         EXPECT_EQ(r.dial(Side::Rx), kRx + 1000);
         EXPECT_TRUE(r.times(Side::Tx).empty());
         EXPECT_TRUE(r.latch.flag(Channel::RxTuned));
         EXPECT_TRUE(r.latch.flag(Channel::TxTuned));
     }},
    {"DownWhenTheTargetIsBelow", [](LoopSettings& s) { s.side(Side::Rx).step_hz = 1000; },
     [](Rig& r) { follow(r, 3000, constant(kRx - 2600)); }, 3000,
     [](const Rig& r) {
         EXPECT_EQ(r.times(Side::Rx), every(0, 400, 3));
         EXPECT_EQ(r.dial(Side::Rx), kRx - 3000); // nearest step: 400 Hz off, not 600
         for (const LoopPress& p : r.of(Side::Rx)) {
             EXPECT_EQ(p.direction, PressDirection::Down);
         }
     }},
    {"FollowsUpThenDownWithinAStepAndAHalf", [](LoopSettings&) {},
     [](Rig& r) {
         // At most 188 Hz/s, as at the closest approach of a low pass on 70 cm, and bending
         // no faster than 20 Hz/s² (a pass bends at most 4 Hz/s² on 70 cm).
         follow(r, 120000, [](std::int64_t t) {
             return kRx + 1800 * std::sin(static_cast<double>(t) * std::numbers::pi / 30000);
         });
     },
     120000,
     [](const Rig& r) {
         // A turn back waits for a whole step of error.
         EXPECT_LE(r.rx_worst(12000, 120000, kRx), 150);
         EXPECT_EQ(r.dial(Side::Rx), kRx);
     }},
    {"NeverDithersAboutTheMiddle", [](LoopSettings&) {},
     [](Rig& r) {
         follow(r, 20000, [](std::int64_t t) { return kRx + (t / 1000 % 2 == 0 ? 48 : 52); });
     },
     20000, [](const Rig& r) { EXPECT_EQ(r.times(Side::Rx), std::vector<std::int64_t>{1000}); }},
    {"BothSidesPressAtOnceOnTheirOwnTimes",
     [](LoopSettings& s) {
         s.side(Side::Tx).press_ms = 100;
         s.side(Side::Tx).gap_ms = 100;
     },
     [](Rig& r) { follow(r, 2000, constant(kRx + 200), constant(kTx - 200)); }, 2000,
     [](const Rig& r) {
         // RX up is bit 0, TX down bit 5; the tuned LEDs bits 2 and 6.
         const std::vector<PortWrite> expected{{0, 0, 33},  {100, 0, 1},  {200, 0, 32},
                                               {300, 0, 0}, {400, 0, 65}, {600, 0, 64},
                                               {800, 0, 68}};
         EXPECT_EQ(r.port.writes(), expected);
     }},
    {"OperatorPressMovesTheOffsetAndSticks", [](LoopSettings&) {},
     [](Rig& r) {
         follow(r, 8000, constant(kRx));
         r.at(1000, [&r] { r.closed.operator_press(Side::Rx, PressDirection::Up); });
         r.at(3000, [&r] { r.closed.operator_press(Side::Rx, PressDirection::Up); });
     },
     8000,
     [](const Rig& r) {
         EXPECT_EQ(r.times(Side::Rx), (std::vector<std::int64_t>{1000, 3000}));
         EXPECT_EQ(r.dial(Side::Rx), kRx + 200);
         EXPECT_EQ(r.closed.state(Side::Rx).offset_hz, 200);
         EXPECT_TRUE(r.times(Side::Tx).empty()); // unlocked
     }},
    lock_row("NoninvertingLockMovesTxTheSameWay", OffsetLock::Noninverting, 100),
    lock_row("InvertingLockMovesTxTheOtherWay", OffsetLock::Inverting, -100),
    {"BehindWhileTheDopplerOutrunsThePresses",
     [](LoopSettings& s) { s.side(Side::Rx).step_hz = 25; },
     [](Rig& r) {
         // 200 Hz/s against 25 Hz x 2.5 presses a second.
         follow(r, 40000, ramp(kRx, 200, 0, 10000));
     },
     40000,
     [](const Rig& r) {
         ASSERT_FALSE(r.behind.empty());
         EXPECT_GE(*std::max_element(r.behind.begin(), r.behind.end()), 40);
         EXPECT_EQ(r.behind.back(), 0);
         EXPECT_EQ(r.dial(Side::Rx), kRx + 2000);
     }},
    {"NoPredictionPastAGapOfThreeSeconds", [](LoopSettings&) {},
     [](Rig& r) {
         follow(r, 1000, ramp(kRx, 100, 0, 1000));
         r.updates(9000, 9000, constant(kRx + 2000), constant(kTx));
     },
     20000,
     [](const Rig& r) {
         EXPECT_EQ(r.rx_dial_at(9000, kRx), kRx + 400); // followed to 3 s after the update
         EXPECT_EQ(r.dial(Side::Rx), kRx + 2000);       // no rate across the 8 s gap
     }},
    {"NoRateFromUpdatesThatArriveBunched", [](LoopSettings&) {},
     [](Rig& r) {
         follow(r, 0, constant(kRx));
         r.updates(30, 30, constant(kRx + 1000), constant(kTx));
     },
     6000, [](const Rig& r) { EXPECT_EQ(r.dial(Side::Rx), kRx + 1000); }},
    {"NoRateFromAJumpToAnotherFrequency", [](LoopSettings& s) { s.side(Side::Rx).step_hz = 5000; },
     [](Rig& r) {
         follow(r, 0, constant(kRx));
         r.updates(1000, 1000, constant(kRx + 15000), constant(kTx));
     },
     6000, [](const Rig& r) { EXPECT_EQ(r.dial(Side::Rx), kRx + 15000); }},
    {"StopLetsThePressInFlightRunItsLength", [](LoopSettings&) {},
     [](Rig& r) {
         r.updates(0, 4000, constant(kRx + 1000), constant(kTx));
         r.at(0, [&r] { r.closed.start(Side::Rx, kRx); });
         r.at(500, [&r] { r.closed.stop(Side::Rx); });
     },
     4000,
     [](const Rig& r) {
         const std::vector<PortWrite> expected{{0, 0, 1}, {200, 0, 0}, {400, 0, 1}, {600, 0, 0}};
         EXPECT_EQ(r.port.writes(), expected);
         EXPECT_EQ(r.dial(Side::Rx), kRx + 200);
         EXPECT_FALSE(r.closed.state(Side::Rx).tracking);
     }},
    // Ten nudges, then Stop 3 ms into the second press: it still lasts its 300 ms and counts.
    {"StopJustAfterARiseLetsThatPressRunItsLength",
     [](LoopSettings& s) {
         s.side(Side::Rx).press_ms = 300;
         s.side(Side::Rx).gap_ms = 30;
     },
     [](Rig& r) {
         r.at(0, [&r] {
             r.closed.start(Side::Rx, kRx);
             r.closed.stop(Side::Rx);
             for (int i = 0; i < 10; ++i) {
                 r.closed.operator_press(Side::Rx, PressDirection::Up);
             }
         });
         r.at(333, [&r] { r.closed.stop(Side::Rx); });
     },
     4000,
     [](const Rig& r) {
         const std::vector<PortWrite> expected{{0, 0, 1}, {300, 0, 0}, {330, 0, 1}, {630, 0, 0}};
         EXPECT_EQ(r.port.writes(), expected);
         EXPECT_EQ(r.dial(Side::Rx), kRx + 200);
         EXPECT_EQ(r.closed.state(Side::Rx).pending, 0);
         EXPECT_FALSE(r.closed.state(Side::Rx).pressing);
     }},
    {"EndOfPassStopsTheLoop", [](LoopSettings&) {},
     [](Rig& r) {
         follow(r, 4000, ramp(kRx, 100, 0, 20000));
         r.updates(5000, 5000, constant(kRx + 500), constant(kTx), -2.0);
         r.updates(6000, 9000, ramp(kRx, 100, 0, 20000), constant(kTx), -3.0);
     },
     9000,
     [](const Rig& r) {
         EXPECT_LE(r.times(Side::Rx).back(), 5000);
         EXPECT_FALSE(r.closed.state(Side::Rx).tracking);
         EXPECT_FALSE(r.latch.flag(Channel::RxUp));
     }},
    {"ResetCountsBackEveryPressInOneTrain", [](LoopSettings& s) { s.side(Side::Rx).step_hz = 25; },
     [](Rig& r) {
         follow(r, 9000, ramp(kRx, -100, 0, 20000));
         r.updates(10000, 10000, constant(kRx - 1000), constant(kTx), -2.0);
         r.at(4000, [&r] { r.closed.operator_press(Side::Rx, PressDirection::Up); });
         r.at(11000, [&r] { r.closed.operator_press(Side::Rx, PressDirection::Down); });
         r.at(12000, [&r] { r.closed.reset(Side::Rx, kRx); });
     },
     40000,
     [](const Rig& r) {
         std::vector<std::int64_t> reset_times;
         for (const LoopPress& p : r.of(Side::Rx)) {
             if (p.origin == PressOrigin::Reset) {
                 reset_times.push_back(p.t);
                 EXPECT_EQ(p.direction, PressDirection::Up);
             }
         }
         const double before =
             r.of(Side::Rx)[r.of(Side::Rx).size() - reset_times.size() - 1].dial_hz;
         EXPECT_EQ(reset_times, every(12000, 400, static_cast<int>((kRx - before) / 25)));
         EXPECT_EQ(r.dial(Side::Rx), kRx);
     }},
    {"AnUpdateOffTheTrendWaitsForTheNextOne", [](LoopSettings&) {},
     [](Rig& r) {
         // At 20 s the tracker sends the value of the second before, as Gpredict now and then
         // does: the loop must not press back up for it.
         const Hz doppler = falling(kRx, 200);
         r.updates(
             0, 40000, [doppler](std::int64_t t) { return doppler(t == 20000 ? t - 1000 : t); },
             constant(kTx));
         r.at(0, [&r] { r.closed.start(Side::Rx, kRx); });
     },
     40000,
     [](const Rig& r) {
         EXPECT_EQ(presses_up(r.of(Side::Rx)), 0);
         // Measured against the stale value at 20 s, the dial would seem 200 Hz off there.
         EXPECT_LE(std::max(r.rx_worst(5000, 19000, kRx), r.rx_worst(21000, 40000, kRx)), 75);
     }},
    {"ATrendChangeConfirmedByTheNextUpdateIsFollowed", [](LoopSettings&) {},
     [](Rig& r) {
         // 400 Hz up from 10 s on: too little for another frequency, too much for rounding.
         r.updates(
             0, 20000, [](std::int64_t t) { return kRx + (t >= 10000 ? 400 : 0); }, constant(kTx));
         r.at(0, [&r] { r.closed.start(Side::Rx, kRx); });
     },
     20000,
     [](const Rig& r) {
         EXPECT_EQ(r.times(Side::Rx), every(11000, 400, 4)); // at the second update, not the first
         EXPECT_EQ(r.dial(Side::Rx), kRx + 400);
     }},
    {"JitteredArrivalsNeitherPressBackNorFallBehind", [](LoopSettings&) {},
     [](Rig& r) {
         // Each update arrives up to 300 ms early or late, its value that of its own second.
         r.updates(0, 120000, falling(kRx, 200), constant(kTx), constant(10), [](std::int64_t t) {
             return static_cast<std::int64_t>((t / 1000 * 7919) % 601) - 300;
         });
         r.at(300, [&r] { r.closed.start(Side::Rx, kRx); });
     },
     120000,
     [](const Rig& r) {
         EXPECT_EQ(presses_up(r.of(Side::Rx)), 0);
         // Once the tracker's cycle shows through the arrivals.
         EXPECT_LE(r.rx_worst(30000, 119000, kRx), 75);
     }},
    {"TunesAheadOfAosFromARisingElevation", [](LoopSettings& s) { s.start_at_aos = true; },
     [](Rig& r) {
         // 7,700 Hz above the reference, AOS at 100 s: 77 presses of 400 ms must start early.
         r.at(0, [&r] { r.closed.set_reference(Side::Rx, kRx); });
         r.updates(
             0, 110000, constant(kRx + 7700), constant(kTx),
             [](std::int64_t t) { return -10 + 0.1 * static_cast<double>(t) / 1000; },
             Rig::on_time);
     },
     110000,
     [](const Rig& r) {
         ASSERT_EQ(r.ahead.size(), 1u);
         EXPECT_EQ(r.ahead[0].first, Side::Rx);
         EXPECT_LT(r.presses.front().t, 100000 - 77 * 400);
         EXPECT_EQ(r.rx_dial_at(101000, kRx), kRx + 7700);
         EXPECT_TRUE(r.behind.empty()); // a planned catch-up is not "behind"
         EXPECT_TRUE(r.closed.state(Side::Rx).tracking);
         EXPECT_FALSE(r.closed.state(Side::Rx).ahead);
         EXPECT_TRUE(r.of(Side::Tx).empty()); // no reference given: it waits for AOS
     }},
    {"NoTuningAheadWithoutAnElevationBelowTheHorizon",
     [](LoopSettings& s) { s.start_at_aos = true; },
     [](Rig& r) {
         // Gpredict's parked rotator: 0.0 until AOS at 100 s.
         r.at(0, [&r] { r.closed.set_reference(Side::Rx, kRx); });
         r.updates(0, 99000, constant(kRx + 7700), constant(kTx), 0.0);
         r.updates(100000, 101000, constant(kRx + 7700), constant(kTx), 0.1);
     },
     101000, [](const Rig& r) { EXPECT_TRUE(r.presses.empty() && r.ahead.empty()); }},
    {"PassEndsAtTheFirstUpdateBelowMinusTwoAndANewOneRises", [](LoopSettings&) {},
     [](Rig& r) {
         follow(r, 3000, constant(kRx));
         r.at(1500, [&r] { r.closed.operator_press(Side::Rx, PressDirection::Up); });
         r.updates(4000, 4000, constant(kRx), constant(kTx), -1.9);
         r.updates(5000, 5000, constant(kRx), constant(kTx), -2.1);
         r.updates(6000, 6000, constant(kRx), constant(kTx), -2.1);
         r.updates(7000, 7000, constant(kRx), constant(kTx), 0.5);
     },
     7000,
     [](const Rig& r) {
         const std::vector<PassEdge> expected{PassEdge::Aos,  PassEdge::None, PassEdge::None,
                                              PassEdge::None, PassEdge::None, PassEdge::End,
                                              PassEdge::None, PassEdge::Aos};
         EXPECT_EQ(r.edges, expected);
         EXPECT_FALSE(r.closed.state(Side::Rx).tracking);
         EXPECT_EQ(r.closed.kept_offsets().at("AO-7")[0], 100);
         EXPECT_EQ(r.closed.state(Side::Rx).offset_hz, 100); // back at the new AOS
     }},
};

void PrintTo(const RuleCase& row, std::ostream* os) {
    *os << row.name;
}

class Rules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(Rules, HoldInVirtualTime) {
    const RuleCase& row = GetParam();
    LoopSettings settings;
    row.settings(settings);
    Rig rig(settings);
    row.script(rig);
    rig.loop.run(row.until);
    row.check(rig);
}

INSTANTIATE_TEST_SUITE_P(ClosedLoop, Rules, ::testing::ValuesIn(kRules),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dopplex
