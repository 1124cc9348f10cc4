// Ends a press the engine thread fails to end. The engine lowers a button line after a blocking
// wait, so an engine thread that the system does not run (a loaded machine, a stall) holds the
// line high, and a radio that auto-repeats a held button steps on its own. The guard sits between
// the engine's writes and the port: a button line high for more than its length plus kPressGrace
// is lowered by whoever calls check() (the watchdog thread), and told as late.
// While the latch still holds such a line high, the guard keeps it low in every later byte; the
// latch's next lowering ends the press, and the line's next rise is a new press.
// Out32 is the engine's; set_press_length() and check() may be called from any thread.
#pragma once

#include "keying/channel_latch.h"
#include "keying/port_writer.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace dopplex {

inline constexpr std::int64_t kPressGrace = 100;

struct LatePress {
    Channel channel = Channel::RxUp;
    std::int64_t held_ms = 0;   // high so far, when the guard lowered it
    std::int64_t length_ms = 0; // what the press should have lasted
    bool operator==(const LatePress&) const = default;
};

// "late press: RX UP held 3760 ms, length 200 ms; lowered"
std::string late_press_text(const LatePress& press);

class PressGuard final : public PortWriter {
public:
    using Clock = std::function<std::int64_t()>; // milliseconds, monotonic
    using LateListener = std::function<void(const LatePress&)>;

    PressGuard(PortWriter& port, Clock clock, LateListener late);
    ~PressGuard() override;
    PressGuard(const PressGuard&) = delete;
    PressGuard& operator=(const PressGuard&) = delete;

    void Out32(std::uint16_t address, std::uint8_t data) override;
    // The length of the channel's presses from its next rise on (kHalfPeriodMs until set).
    void set_press_length(Channel channel, std::int64_t ms);
    // Lowers every press overdue by the clock; answers when the next one falls due (none while
    // no press is held). `late` is told after the write, outside the guard's lock.
    std::optional<std::int64_t> check();

    // A thread that runs check() whenever a press falls due, until the guard is destroyed.
    // `setup` runs first on that thread (its scheduling request).
    void start_watchdog(std::function<void()> setup = {});

private:
    struct Press {
        std::int64_t since = 0;
        std::int64_t length = 0;
    };
    void watch();

    PortWriter& port_;
    Clock clock_;
    LateListener late_;
    std::mutex mutex_;
    std::condition_variable armed_;
    std::array<std::optional<Press>, kChannelCount> presses_{}; // guarded by mutex_
    std::array<std::int64_t, kChannelCount> lengths_{};         // guarded by mutex_
    std::uint8_t ended_ = 0;                                    // guarded by mutex_
    std::uint8_t last_ = 0;                                     // guarded by mutex_
    std::uint16_t address_ = 0;                                 // guarded by mutex_
    std::uint64_t arms_ = 0;                                    // guarded by mutex_
    bool quitting_ = false;                                     // guarded by mutex_
    std::thread watchdog_;
};

} // namespace dopplex
