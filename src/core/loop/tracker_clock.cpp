#include "loop/tracker_clock.h"

#include <algorithm>
#include <cmath>

namespace dopplex {

namespace {
// A tracker keeps its cycle: the longer the line, the less one arrival moves it. A longer
// silence than this starts it again.
constexpr double kClockWindowMs = 120000;
constexpr double kLongestSilenceMs = 3000;
constexpr std::size_t kSteadyTicks = 5;
} // namespace

double TrackerClock::moment(std::int64_t arrival) {
    const auto t = static_cast<double>(arrival);
    if (!ticks_.empty() && t - ticks_.back().t > kLongestSilenceMs) {
        forget();
    }
    if (ticks_.empty()) {
        ticks_.push_back({0, t});
        return t;
    }
    const Tick& last = ticks_.back();
    double k = 0;
    if (period_ > 0) {
        k = std::round((t - first_) / period_);
    } else {
        k = last.k + 1;
    }
    // Lost updates leave places out; an early one never takes a place already taken.
    k = std::max(k, last.k + 1);
    ticks_.push_back({k, t});
    while (t - ticks_.front().t > kClockWindowMs) {
        ticks_.pop_front();
    }
    fit();
    return steady_ ? first_ + period_ * k : t;
}

void TrackerClock::fit() {
    const double n = static_cast<double>(ticks_.size());
    if (ticks_.size() < 2) {
        return;
    }
    double sk = 0, st = 0, skk = 0, skt = 0;
    for (const Tick& tick : ticks_) {
        sk += tick.k, st += tick.t, skk += tick.k * tick.k, skt += tick.k * tick.t;
    }
    const double spread = n * skk - sk * sk;
    if (spread <= 0) {
        return;
    }
    period_ = (n * skt - sk * st) / spread;
    first_ = (st - period_ * sk) / n;
    double squares = 0;
    for (const Tick& tick : ticks_) {
        const double off = tick.t - (first_ + period_ * tick.k);
        squares += off * off;
    }
    // Arrivals that scatter by more than a quarter of the cycle show no cycle to trust.
    steady_ = ticks_.size() >= kSteadyTicks && period_ > 0 && std::sqrt(squares / n) < period_ / 4;
}

} // namespace dopplex
