#include "runtime/real_host.h"

#include "runtime/event_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace dopplex {
namespace {

using namespace std::chrono_literals;

// The waits of one chain are laid on absolute deadlines, so the short work between them does
// not add up: a wait that starts 2 ms after the previous deadline ends 8 ms later, where a
// relative wait never takes less than its 10 ms. A loaded machine may wake the chain too late
// to continue it (then it starts afresh), so the chain runs until one wait shows it.
TEST(RealHost, AWaitThatContinuesAChainEndsOnTheChainsDeadline) {
    RealHost host;
    constexpr auto kWait = 10ms;
    const auto start = RealHost::Clock::now();
    const auto give_up = start + 10s;
    auto shortest = RealHost::Clock::duration::max();
    int waits = 1;
    host.wait(kWait.count());
    while (shortest >= kWait && RealHost::Clock::now() < give_up) {
        std::this_thread::sleep_for(2ms); // the writes between two half-periods
        const auto before = RealHost::Clock::now();
        host.wait(kWait.count());
        shortest = std::min(shortest, RealHost::Clock::now() - before);
        ++waits;
    }
    EXPECT_LT(shortest, kWait);
    EXPECT_GE(RealHost::Clock::now() - start, waits * kWait) << "a chain never ends early";
}

// A wait that does not continue a handler's schedule (here the first one) lasts its whole
// time: a pulse started just after another must keep its full half-periods.
TEST(RealHost, AWaitThatContinuesNoScheduleLastsItsWholeTime) {
    RealHost host;
    std::this_thread::sleep_for(5ms);
    const auto start = RealHost::Clock::now();
    host.wait(50);
    EXPECT_GE(RealHost::Clock::now() - start, 50ms);
}

TEST(RealHost, ClockStartsNearZeroAndNeverGoesBack) {
    RealHost host;
    const std::int64_t first = host.now();
    EXPECT_GE(first, 0);
    EXPECT_LT(first, 1000);
    host.wait(30);
    EXPECT_GE(host.now(), first + 30);
}

TEST(RealHost, WithoutAWindowTheReportGoesToTheFallbackAndClosesAtOnce) {
    RealHost host;
    EventLoop loop(host);
    std::vector<std::string> shown;
    host.set_fallback_report([&](const std::string& text) { shown.push_back(text); });
    loop.post(EventKind::Input, [] { throw std::runtime_error("no port"); });
    loop.post(EventKind::Control, [&] { loop.quit(); });
    loop.run();
    EXPECT_EQ(shown, (std::vector<std::string>{"no port."}));
}

// The window closes the report from its own thread; while it is open an update is served and
// a click waits for it to close.
TEST(RealHost, AnOpenReportServesUpdatesUntilTheWindowClosesIt) {
    RealHost host;
    EventLoop loop(host);
    std::vector<std::string> ran;
    std::thread window;
    host.set_show_report([&](const std::string& text, std::function<void()> closed) {
        ran.push_back("report " + text);
        window = std::thread([&loop, &ran, closed] {
            loop.post(EventKind::Input, [&] {
                ran.push_back("click");
                loop.quit();
            });
            loop.post(EventKind::Link, [&ran, closed] {
                ran.push_back("update");
                closed();
            });
        });
    });
    loop.post(EventKind::Input, [] { throw std::runtime_error("bad"); });
    loop.run();
    window.join();
    EXPECT_EQ(ran, (std::vector<std::string>{"report bad.", "update", "click"}));
}

// Stop cuts a wait only inside a stoppable stretch, and only the one it finds there.
TEST(RealHost, StopCutsOnlyAStoppableWait) {
    RealHost host;
    host.request_stop(); // nothing stoppable: forgotten
    EXPECT_NO_THROW(host.wait(10));
    {
        StoppableScope train(host);
        std::thread operator_hand([&] {
            std::this_thread::sleep_for(50ms);
            host.request_stop();
        });
        const auto start = RealHost::Clock::now();
        EXPECT_THROW(host.wait(100'000), EStopped);
        operator_hand.join();
        EXPECT_LT(RealHost::Clock::now() - start, 30s);
        EXPECT_NO_THROW(host.wait(10));
    }
    host.request_stop();
    EXPECT_NO_THROW(host.wait(10));
}

// Closing must not wait for a long train: every wait from the interrupt on ends at once, the
// handler stops quietly, and what was posted for closing still runs.
TEST(RealHost, InterruptEndsTheRunningWaitAndTheClosingEventStillRuns) {
    RealHost host;
    EventLoop loop(host);
    std::vector<std::string> reports;
    host.set_fallback_report([&](const std::string& text) { reports.push_back(text); });
    int waits_finished = 0;
    bool closed = false;
    loop.post(EventKind::Input, [&] {
        for (int i = 0; i < 100; ++i) { // 100 s unless cut short
            host.wait(1000);
            ++waits_finished;
        }
    });
    std::thread closer([&] {
        std::this_thread::sleep_for(100ms);
        host.interrupt();
        loop.post(EventKind::Control, [&] {
            closed = true;
            loop.quit();
        });
    });
    const auto start = RealHost::Clock::now();
    loop.run();
    closer.join();
    EXPECT_LT(RealHost::Clock::now() - start, 30s);
    EXPECT_EQ(waits_finished, 0);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(reports.empty()) << reports.front();
    EXPECT_THROW(host.wait(1000), EInterrupted);
}

} // namespace
} // namespace dopplex
