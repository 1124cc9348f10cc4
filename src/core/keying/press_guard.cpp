#include "keying/press_guard.h"

#include "keying/pulses.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace dopplex {

namespace {

// The lines that press a radio's buttons; the others are lamps and levels, high for as long as
// they mean something.
constexpr std::array kButtons{Channel::RxUp, Channel::RxDown, Channel::TxUp, Channel::TxDown};

std::uint8_t bit_of(Channel channel) {
    return static_cast<std::uint8_t>(1u << static_cast<int>(channel));
}

const char* button_name(Channel channel) {
    switch (channel) {
    case Channel::RxUp:
        return "RX UP";
    case Channel::RxDown:
        return "RX DOWN";
    case Channel::TxUp:
        return "TX UP";
    case Channel::TxDown:
        return "TX DOWN";
    default:
        return "line";
    }
}

} // namespace

std::string late_press_text(const LatePress& press) {
    return std::string("late press: ") + button_name(press.channel) + " held " +
           std::to_string(press.held_ms) + " ms, length " + std::to_string(press.length_ms) +
           " ms; lowered";
}

PressGuard::PressGuard(PortWriter& port, Clock clock, LateListener late)
    : port_(port), clock_(std::move(clock)), late_(std::move(late)) {
    lengths_.fill(kHalfPeriodMs);
}

PressGuard::~PressGuard() {
    {
        std::lock_guard lock(mutex_);
        quitting_ = true;
    }
    armed_.notify_all();
    if (watchdog_.joinable()) {
        watchdog_.join();
    }
}

void PressGuard::Out32(std::uint16_t address, std::uint8_t data) {
    bool armed = false;
    {
        std::lock_guard lock(mutex_);
        const std::int64_t now = clock_();
        for (Channel channel : kButtons) {
            const auto index = static_cast<std::size_t>(channel);
            const std::uint8_t bit = bit_of(channel);
            if (!(data & bit)) {
                presses_[index].reset();
                ended_ &= static_cast<std::uint8_t>(~bit);
            } else if (ended_ & bit) {
                data &= static_cast<std::uint8_t>(~bit);
            } else if (!presses_[index]) {
                presses_[index] = Press{now, lengths_[index]};
                ++arms_;
                armed = true;
            }
        }
        port_.Out32(address, data);
        address_ = address;
        last_ = data;
    }
    if (armed) {
        armed_.notify_all();
    }
}

void PressGuard::set_press_length(Channel channel, std::int64_t ms) {
    std::lock_guard lock(mutex_);
    lengths_[static_cast<std::size_t>(channel)] = ms;
}

std::optional<std::int64_t> PressGuard::check() {
    std::vector<LatePress> late;
    std::optional<std::int64_t> next;
    {
        std::lock_guard lock(mutex_);
        const std::int64_t now = clock_();
        for (Channel channel : kButtons) {
            const auto& press = presses_[static_cast<std::size_t>(channel)];
            if (!press || (ended_ & bit_of(channel))) {
                continue;
            }
            const std::int64_t due = press->since + press->length + kPressGrace;
            if (now > due) {
                ended_ |= bit_of(channel);
                late.push_back({channel, now - press->since, press->length});
            } else {
                next = std::min(next.value_or(due + 1), due + 1);
            }
        }
        if (!late.empty()) {
            last_ &= static_cast<std::uint8_t>(~ended_);
            port_.Out32(address_, last_);
        }
    }
    if (late_) {
        for (const LatePress& press : late) {
            late_(press);
        }
    }
    return next;
}

void PressGuard::start_watchdog(std::function<void()> setup) {
    watchdog_ = std::thread([this, setup = std::move(setup)] {
        if (setup) {
            setup();
        }
        watch();
    });
}

void PressGuard::watch() {
    for (;;) {
        std::uint64_t seen = 0;
        {
            std::lock_guard lock(mutex_);
            seen = arms_;
        }
        const std::optional<std::int64_t> next = check();
        std::unique_lock lock(mutex_);
        // A press armed since `seen` was taken is looked at again at once.
        const auto woken = [&] { return quitting_ || arms_ != seen; };
        if (next) {
            armed_.wait_for(lock,
                            std::chrono::milliseconds(std::max<std::int64_t>(*next - clock_(), 0)),
                            woken);
        } else {
            armed_.wait(lock, woken);
        }
        if (quitting_) {
            return;
        }
    }
}

} // namespace dopplex
