// CAT sides against a real `rigctld -m 1` (Hamlib's dummy rig) on a loopback port, in real time:
// setting and Reset, the knob, and the daemon's faults.
#include "cat/loop_target.h"
#include "core/cat/linear_target.h"
#include "live_rigctld.h"
#include "loop_parts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace dopplex::test {
namespace {

double rig_hz(int port, const char* command = "f") {
    return std::stod(ask(port, command));
}

TEST(RigctldSetting, SetsTheTargetAndResetSetsTheReference) {
    struct Row {
        const char* name;
        double hz_per_s;
        bool reset;
        double within_hz; // of the target (or exactly the reference after Reset)
    } rows[] = {
        {"a steady target exactly", 0, false, 0},
        {"a moving target closely", 191, false, 120},
        {"Reset: the reference exactly, then it stays", 191, true, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Rigctld daemon;
        Engine engine;
        LinearTarget target(row.hz_per_s, 1'000'000'000);
        Following rx(engine, at(daemon.port()), target);
        rx.settle();
        if (row.reset) {
            engine.on_engine([&] { rx.live.side->reset(145'900'000); });
            sleep_ms(600);
            EXPECT_EQ(rig_hz(daemon.port()), 145'900'000);
            continue;
        }
        const double hz = rig_hz(daemon.port());
        const double doppler = engine.on_engine([&] { return target.doppler(engine.now()); });
        EXPECT_LE(std::fabs(hz - doppler), row.within_hz);
        EXPECT_EQ(rx.status(), "setting through 127.0.0.1:" + std::to_string(daemon.port()));
    }
}

TEST(RigctldKnob, TheOperatorsTurnSticksAndNothingElseIsATurn) {
    struct Row {
        const char* name;
        double hz_per_s;
        int delay_each_way_ms;          // through a delaying proxy
        bool turn;                      // +1000 Hz by a second client
        std::optional<OffsetLock> lock; // the TX side on the split frequency, locked
    } rows[] = {
        {"a real turn sticks", 0, 0, true, std::nullopt},
        {"a turn while the target moves", 191, 0, true, std::nullopt},
        {"readbacks crossing sets in flight, 250 ms each way", 191, 250, false, std::nullopt},
        {"the lock takes the uplink along, inverting", 0, 0, true, OffsetLock::Inverting},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Rigctld daemon;
        std::optional<DelayingProxy> proxy;
        if (row.delay_each_way_ms) {
            proxy.emplace(daemon.port(), row.delay_each_way_ms);
        }
        Engine engine;
        LinearTarget target(row.hz_per_s, 1'000'000'000);
        // With the lock both sides follow the closed loop's frequencies and offsets.
        bench::LoopParts parts(engine.loop());
        ClosedLoop& closed = parts.closed;
        LoopTarget locked(closed);
        SideTarget* followed = &target;
        if (row.lock) {
            engine.on_engine([&] {
                LoopSettings settings;
                settings.lock = *row.lock;
                closed.configure(settings);
                closed.update("AO-7", 30, kBaseHz, 145'900'000);
            });
            followed = &locked;
        }
        if (row.lock) { // the transceiver sends on its other VFO
            EXPECT_EQ(ask(daemon.port(), "S 1 VFOB"), "RPRT 0");
        }
        Following rx(engine, at(proxy ? proxy->port() : daemon.port()), *followed);
        std::optional<Following> tx;
        if (row.lock) {
            tx.emplace(engine, at(daemon.port(), "split"), *followed, Side::Tx);
        }
        rx.settle();
        if (tx) {
            tx->settle();
        }
        if (row.turn) {
            const double now_hz = rig_hz(daemon.port());
            EXPECT_EQ(ask(daemon.port(), "F " + std::to_string(std::llround(now_hz) + 1000)),
                      "RPRT 0");
        }
        sleep_ms(1500);
        const double doppler = engine.on_engine([&] { return target.doppler(engine.now()); });
        const double turned = row.turn ? 1000 : 0;
        EXPECT_NEAR(rig_hz(daemon.port()) - doppler, turned, row.hz_per_s ? 120 : 0);
        EXPECT_EQ(rx.reports_with("knob "), row.turn ? 1 : 0);
        if (row.lock) {
            EXPECT_EQ(rig_hz(daemon.port(), "i"), 145'900'000 - 1000);
        }
    }
}

TEST(RigctldFaults, TheSideSaysSoAndTheOtherSideGoesOn) {
    struct Row {
        const char* name;
        bool vfo_mode;
        const char* vfo; // of the faulty side
        std::function<void(Rigctld&)> after_start;
        const char* status; // of the faulty side, at 1.5 s
        const char* reported;
        int reports;
    } rows[] = {
        {"daemon absent", false, "", [](Rigctld& d) { d.kill(); },
         "no connection to 127.0.0.1:PORT: Connection refused; trying again in 2 s",
         "no connection", 1},
        {"RPRT -1: a VFO the rig does not set", true, "MEM", [](Rigctld&) {},
         "127.0.0.1:PORT refuses reading the frequency (RPRT -1)", "refuses", 1},
        {"dropped connection", false, "", [](Rigctld& d) { d.kill(); },
         "connection to 127.0.0.1:PORT lost: closed by the daemon; trying again in 1 s", "lost", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Rigctld daemon(row.vfo_mode);
        // The other side on a daemon of its own (on the same one with --vfo).
        std::optional<Rigctld> other_daemon;
        if (!row.vfo_mode) {
            other_daemon.emplace();
        }
        const int other_port = row.vfo_mode ? daemon.port() : other_daemon->port();
        Engine engine;
        LinearTarget target(0, 1'000'000'000);
        const bool absent = std::string(row.name) == "daemon absent";
        if (absent) {
            row.after_start(daemon);
        }
        Following faulty(engine, at(daemon.port(), row.vfo), target);
        Following other(engine, at(other_port, row.vfo_mode ? "VFOA" : ""), target, Side::Tx);
        sleep_ms(500);
        if (!absent) {
            row.after_start(daemon);
        }
        sleep_ms(1000);
        std::string status = row.status;
        status.replace(status.find("PORT"), 4, std::to_string(daemon.port()));
        EXPECT_EQ(faulty.status().rfind(status, 0), 0u) << faulty.status();
        EXPECT_EQ(faulty.reports_with(row.reported), row.reports);
        other.settle();
        EXPECT_EQ(rig_hz(other_port, row.vfo_mode ? "f VFOA" : "f"), kBaseHz);
        EXPECT_EQ(other.status(), "setting through 127.0.0.1:" + std::to_string(other_port));
    }
}

} // namespace
} // namespace dopplex::test
