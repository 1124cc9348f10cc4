// A CAT side in virtual time against a model rigctld: where the radio sits against a moving
// target, the knob, and the daemon's faults.
#include "cat/cat_side.h"
#include "cat/loop_target.h"
#include "core/cat/linear_target.h"
#include "loop_parts.h"
#include "model_rigctld.h"
#include "runtime/virtual_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace dopplex {
namespace {

using bench::ModelRigctld;
using test::kBaseHz;
using test::LinearTarget;

struct Rig : CatObserver {
    Rig(std::int64_t each_way_ms, double hz_per_s, std::int64_t fresh_until = 1'000'000)
        : daemon(loop, each_way_ms), target(hz_per_s, fresh_until) {
        daemon.attach(side);
        side.add_observer(this);
    }
    void cat_report(Side, const std::string& line) override { reports.push_back(line); }
    void cat_status(Side, const std::string& line) override { statuses.push_back(line); }
    int reports_with(const std::string& words) const {
        return static_cast<int>(std::count_if(reports.begin(), reports.end(), [&](auto& r) {
            return r.find(words) != std::string::npos;
        }));
    }
    // The radio against the target over [from, to], every 10 ms.
    std::pair<double, double> worst_and_mean(std::int64_t from, std::int64_t to) const {
        double worst = 0, sum = 0;
        int n = 0;
        for (std::int64_t t = from; t <= to; t += 10, ++n) {
            const double e = daemon.frequency_at(t).value_or(0) - *target.target_at(Side::Rx, t);
            worst = std::max(worst, std::fabs(e)), sum += e;
        }
        return {worst, sum / n};
    }

    VirtualHost host;
    EventLoop loop{host};
    ModelRigctld daemon;
    LinearTarget target;
    CatSide side{loop, Side::Rx, CatAddress{"127.0.0.1", 4532, ""}, daemon, target};
    std::vector<std::string> reports;
    std::vector<std::string> statuses;
};

// At 191 Hz/s and five sets a second each setting straddles the Doppler frequency: a fifth of a
// second's motion split around it, whatever the daemon's delay, and the rate holds.
TEST(CatSetting, AimsAtTheMiddleOfEachSetting) {
    struct Row {
        const char* name;
        std::int64_t each_way_ms;
        double hz_per_s;
        double worst_hz; // at most
        int fewest_sets; // in 60 s
        int most_sets;
    } rows[] = {
        {"prompt daemon", 0, 191, 20, 295, 301},
        {"250 ms each way", 250, 191, 20.5, 295, 301},
        {"steady target: one set", 0, 0, 0, 1, 1},
        {"slow target: sets skipped below the resolution", 0, 0.5, 1, 25, 31},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig(row.each_way_ms, row.hz_per_s);
        rig.side.follow();
        rig.loop.run(60'000);
        const auto [worst, mean] = rig.worst_and_mean(5'000, 60'000);
        EXPECT_LE(worst, row.worst_hz);
        EXPECT_LE(std::fabs(mean), 1.5);
        EXPECT_GE(rig.daemon.sets(), row.fewest_sets);
        EXPECT_LE(rig.daemon.sets(), row.most_sets);
        EXPECT_EQ(rig.side.status(), "setting through 127.0.0.1:4532");
    }
}

TEST(CatSetting, ResetSetsTheReferenceExactlyAndStopsFollowing) {
    Rig rig(100, 191);
    rig.side.follow();
    rig.loop.run(5'000);
    rig.side.stop();
    EXPECT_EQ(rig.side.status().rfind("holding 437.80", 0), 0u) << rig.side.status();
    rig.side.reset(145'900'000.4);
    rig.loop.run(15'000);
    EXPECT_EQ(rig.daemon.frequency_at(15'000), 145'900'000);
    EXPECT_FALSE(rig.side.following());
    EXPECT_EQ(rig.side.status(), "holding 145.900000 MHz through 127.0.0.1:4532");
}

TEST(CatSetting, NothingIsSetFromStaleData) {
    Rig rig(0, 191, /*fresh_until=*/10'000);
    rig.side.follow();
    rig.loop.run(20'000);
    const int sets = rig.daemon.sets();
    rig.loop.run(40'000);
    EXPECT_EQ(rig.daemon.sets(), sets);
    EXPECT_EQ(rig.side.status(), "waiting for the tracker's frequencies");
}

TEST(CatKnob, TurnsStickAndReadbacksInFlightAreNoTurns) {
    struct Row {
        const char* name;
        std::int64_t each_way_ms;
        double hz_per_s;
        std::optional<double> turn_hz; // at 20.05 s
        std::vector<double> knobs;
        const char* refusal = nullptr; // reported once instead of the turn
        bool target_takes_turns = true;
    } rows[] = {
        {"a turn while following", 0, 191, 1000, {1000}},
        {"a turn down on a steady target", 0, 0, -250, {-250}},
        {"no turn with 250 ms each way at 191 Hz/s", 250, 191, std::nullopt, {}},
        {"a step within the resolution is none", 0, 191, 1, {}},
        {"a stray set 337 MHz down is set back",
         0,
         191,
         -337'800'000,
         {},
         "the radio reads 100.003839 MHz, farther than a satellite's Doppler from 437.803839 MHz: "
         "not taken as a knob turn"},
        {"5 MHz off is no turn",
         250,
         0,
         5'000'000,
         {},
         "the radio reads 442.800000 MHz, farther than a satellite's Doppler from 437.800000 MHz: "
         "not taken as a knob turn"},
        {"a turn past the offset's bound is set back",
         0,
         0,
         1000,
         {},
         "knob +1000 Hz not taken: an offset goes no further than 1000000 Hz either way",
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig(row.each_way_ms, row.hz_per_s);
        rig.target.takes_turns = row.target_takes_turns;
        rig.side.follow();
        if (row.turn_hz) {
            rig.daemon.turn_knob_at(20'050, *row.turn_hz);
        }
        rig.loop.run(60'000);
        EXPECT_EQ(rig.target.knobs, row.knobs);
        EXPECT_EQ(rig.reports_with("knob +") + rig.reports_with("knob -"),
                  static_cast<int>(row.knobs.size()) + (row.refusal && !row.target_takes_turns));
        if (row.refusal) {
            EXPECT_EQ(rig.reports, std::vector<std::string>{row.refusal});
        }
        // Four seconds on, the radio sits at the Doppler frequency plus the turn, and stays.
        const double turned = row.knobs.empty() ? 0 : row.knobs.front();
        for (std::int64_t t = 24'050; t <= 60'000; t += 10) {
            ASSERT_NEAR(*rig.daemon.frequency_at(t) - rig.target.doppler(t), turned, 20) << t;
        }
    }
}

TEST(CatFaults, StatusSaysWhatAndTriesAgainAfterShortGrowingPauses) {
    struct Row {
        const char* name;
        std::function<void(Rig&)> fault;
        const char* status;
        const char* report;
        int reports;  // of the fault, in 20 s
        int opens;    // tries to connect
        bool setting; // at the end: sets again
    } rows[] = {
        {"daemon absent", [](Rig& r) { r.daemon.set_absent(true); },
         "no connection to 127.0.0.1:4532: Connection refused; trying again in 4 s",
         "no connection", 1, 7, false},
        {"refuses every set", [](Rig& r) { r.daemon.set_refusing(true); },
         "127.0.0.1:4532 refuses setting", "127.0.0.1:4532 refuses", 1, 1, false},
        {"never answers", [](Rig& r) { r.daemon.set_silent(true); },
         "no answer from 127.0.0.1:4532; trying again in 4 s", "no answer", 1, 4, false},
        {"drops the connection once",
         [](Rig& r) {
             r.loop.post(
                 EventKind::Link, [&r] { r.daemon.drop(); }, 5'000);
         },
         "setting through 127.0.0.1:4532",
         "connection to 127.0.0.1:4532 lost: closed by the daemon; trying again in 1 s", 1, 2,
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig(0, 191);
        row.fault(rig);
        rig.side.follow();
        rig.loop.run(20'000);
        EXPECT_EQ(rig.side.status().rfind(row.status, 0), 0u) << rig.side.status();
        EXPECT_EQ(rig.reports_with(row.report), row.reports);
        EXPECT_EQ(rig.daemon.opens(), row.opens);
        EXPECT_EQ(rig.worst_and_mean(19'000, 20'000).first <= 20, row.setting);
        // Once told, a fault stays on the status line until the daemon answers again.
        if (!row.setting) {
            const auto told = std::find_if(rig.statuses.begin(), rig.statuses.end(),
                                           [&](auto& l) { return l.rfind(row.status, 0) == 0; });
            ASSERT_NE(told, rig.statuses.end());
            EXPECT_EQ(std::count_if(told, rig.statuses.end(),
                                    [&](auto& l) { return l.rfind(row.status, 0) != 0; }),
                      0);
        }
    }
}

// A daemon away for 40 s is set again within a pause of its return, and the log says both once.
TEST(CatFaults, ADaemonThatComesBackIsSetAgainSoonAndTold) {
    struct Row {
        const char* name;
        std::function<void(ModelRigctld&, bool)> away; // from `from_ms` to 42 s
        std::int64_t from_ms;
        const char* fault;
    } rows[] = {
        {"absent from the start", [](ModelRigctld& d, bool away) { d.set_absent(away); }, 0,
         "no connection"},
        {"silent", [](ModelRigctld& d, bool away) { d.set_silent(away); }, 2'000, "no answer"},
        {"dropped, then absent",
         [](ModelRigctld& d, bool away) {
             if (away) {
                 d.drop();
             }
             d.set_absent(away);
         },
         2'000, "connection to 127.0.0.1:4532 lost"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig(0, 191);
        rig.loop.post(
            EventKind::Link, [&] { row.away(rig.daemon, true); }, row.from_ms);
        rig.side.follow();
        rig.loop.post(
            EventKind::Link, [&] { row.away(rig.daemon, false); }, 42'000);
        rig.loop.run(60'000);
        EXPECT_EQ(rig.reports_with(row.fault), 1);
        EXPECT_EQ(rig.reports_with("connected again to 127.0.0.1:4532"), 1);
        EXPECT_LE(rig.worst_and_mean(46'400, 60'000).first, 20);
        EXPECT_EQ(rig.side.status(), "setting through 127.0.0.1:4532");
    }
}

// The knob's turn with the lock: the other side follows, the same way or the opposite.
TEST(CatKnob, TheLockTakesTheOtherSideAlong) {
    struct Row {
        OffsetLock lock;
        Side turned;
        double rx_hz, tx_hz;
        double before_hz = 0; // both offsets, turned before the lock
        double turn_hz = 1000;
        bool taken = true;
    } rows[] = {
        {OffsetLock::Off, Side::Rx, 1000, 0},
        {OffsetLock::Noninverting, Side::Rx, 1000, 1000},
        {OffsetLock::Inverting, Side::Rx, 1000, -1000},
        {OffsetLock::Inverting, Side::Tx, -1000, 1000},
        {OffsetLock::Off, Side::Rx, 1'000'000, 0, 0, 1'000'000},
        {OffsetLock::Off, Side::Rx, 0, 0, 0, -1'000'001, false},
        {OffsetLock::Off, Side::Rx, 1'000'000, 999'000, 999'000, 1000},
        {OffsetLock::Noninverting, Side::Rx, 999'000, 999'000, 999'000, 1001, false},
        {OffsetLock::Inverting, Side::Rx, 999'000, 999'000, 999'000, -1001, false},
    };
    for (const Row& row : rows) {
        VirtualHost host;
        EventLoop loop{host};
        bench::LoopParts parts(loop);
        ClosedLoop& closed = parts.closed;
        closed.update("AO-7", 10, kBaseHz, 145'900'000);
        LoopTarget target(closed);
        if (row.before_hz != 0) {
            ASSERT_TRUE(target.knob_turned(Side::Tx, row.before_hz));
            ASSERT_TRUE(target.knob_turned(Side::Rx, row.before_hz));
        }
        LoopSettings settings;
        settings.lock = row.lock;
        closed.configure(settings);
        EXPECT_EQ(target.knob_turned(row.turned, row.turn_hz), row.taken);
        EXPECT_EQ(*target.target_at(Side::Rx, host.now()), kBaseHz + row.rx_hz);
        EXPECT_EQ(*target.target_at(Side::Tx, host.now()), 145'900'000 + row.tx_hz);
        EXPECT_FALSE(target.target_at(Side::Rx, host.now() + kLongestPredictionMs + 1));
    }
}

// A CAT side plugged into the closed loop: the loop's start, Reset and the pass's end reach it,
// its dial is what it last set, and no line of that side is ever pressed, while the push-button
// side presses as before.
TEST(CatInTheLoop, TheLoopDrivesTheCatSideAndPressesNoLineForIt) {
    VirtualHost host;
    EventLoop loop{host};
    bench::LoopParts parts(loop);
    parts.latch.set_gate(true);
    ClosedLoop& closed = parts.closed;
    const RecordingPort& port = parts.port;
    LoopTarget target(closed);
    ModelRigctld daemon(loop, 20);
    CatSide cat(loop, Side::Rx, CatAddress{"127.0.0.1", 4532, ""}, daemon, target);
    daemon.attach(cat);
    closed.set_radio(Side::Rx, &cat);
    // 100 Hz/s on the downlink, -30 Hz/s on the uplink, for 30 s; the pass ends at 31 s.
    for (std::int64_t t = 0; t <= 31'000; t += 1000) {
        loop.post(
            EventKind::Link,
            [&closed, t] {
                closed.update("AO-7", t < 31'000 ? 40 : -2, kBaseHz + 0.1 * t,
                              145'900'000 - 0.03 * t);
            },
            t);
    }
    loop.post(
        EventKind::Input,
        [&] { closed.start(Side::Rx, kBaseHz), closed.start(Side::Tx, 145'900'000); }, 1500);
    loop.post(
        EventKind::Input, [&] { closed.operator_press(Side::Rx, PressDirection::Up); }, 10'000);
    loop.run(20'000);
    EXPECT_TRUE(cat.following());
    EXPECT_NEAR(*daemon.frequency_at(20'000), kBaseHz + 2000 + 100, 15);
    EXPECT_NEAR(*closed.state(Side::Rx).dial_hz, kBaseHz + 2000 + 100, 15); // what is shown
    loop.run(32'000);
    EXPECT_FALSE(cat.following()); // the pass ended
    EXPECT_TRUE(closed.reset(Side::Rx, kBaseHz));
    loop.run(33'000);
    EXPECT_EQ(daemon.frequency_at(33'000), kBaseHz);
    EXPECT_EQ(closed.state(Side::Rx).dial_hz, kBaseHz);
    const auto rx_lines = static_cast<std::uint8_t>(1u << static_cast<int>(Channel::RxUp) |
                                                    1u << static_cast<int>(Channel::RxDown));
    int tx_presses = 0;
    for (const PortWrite& w : port.writes()) {
        EXPECT_EQ(w.value & rx_lines, 0) << w.t;
        tx_presses += (w.value & ~rx_lines) != 0;
    }
    EXPECT_GT(tx_presses, 0);
}

TEST(CatAddress, ParsesTheWordsAndNamesABadValue) {
    struct Row {
        const char* text;
        std::optional<CatAddress> radio;
        const char* error; // the start of the message, when refused
    } rows[] = {
        {"buttons", std::nullopt, nullptr},
        {"cat:127.0.0.1:4532", CatAddress{"127.0.0.1", 4532, ""}, nullptr},
        {"cat:shack.local:4533:VFOB", CatAddress{"shack.local", 4533, "VFOB"}, nullptr},
        {"cat:[::1]:4532:split", CatAddress{"::1", 4532, "split"}, nullptr},
        {"cat:127.0.0.1", std::nullopt, "\"cat:127.0.0.1\" is not a radio: the port is missing"},
        {"cat:host:70000", std::nullopt, "\"cat:host:70000\" is not a radio: the port is not"},
        {"cat::4532", std::nullopt, "\"cat::4532\" is not a radio: the host is missing"},
        {"cat:h:4532:VFO B", std::nullopt, "\"cat:h:4532:VFO B\" is not a radio: the VFO"},
        {"rig:h:1", std::nullopt, "\"rig:h:1\" is not a radio: it names no kind of radio"},
        {"cat:some host:14540", std::nullopt,
         "\"cat:some host:14540\" is not a radio: the host \"some host\" is not a hostname"},
        {"cat:h/x:1", std::nullopt, "\"cat:h/x:1\" is not a radio: the host \"h/x\" is not"},
        {"cat:[shack]:1", std::nullopt, "\"cat:[shack]:1\" is not a radio: the host \"shack\""},
        {"cat:[fe80::1%eth0]:1", std::nullopt, "\"cat:[fe80::1%eth0]:1\" is not a radio: the host"},
        {"cat:rig-1.example.org:4532", CatAddress{"rig-1.example.org", 4532, ""}, nullptr},
        {"cat:[::ffff:10.0.0.1]:4532", CatAddress{"::ffff:10.0.0.1", 4532, ""}, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        if (row.error) {
            try {
                parse_side_radio(row.text);
                ADD_FAILURE() << "taken";
            } catch (const std::invalid_argument& e) {
                EXPECT_EQ(std::string(e.what()).rfind(row.error, 0), 0u) << e.what();
            }
            continue;
        }
        EXPECT_EQ(parse_side_radio(row.text), row.radio);
        EXPECT_EQ(side_radio_text(row.radio), row.text);
    }
}

} // namespace
} // namespace dopplex
