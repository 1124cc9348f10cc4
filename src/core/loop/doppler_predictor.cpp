#include "loop/doppler_predictor.h"

#include <algorithm>
#include <cmath>

namespace dopplex {

void DopplerPredictor::update(std::int64_t arrival, double hz) {
    // A text that carries one side's new frequency repeats the other side's last one: it is no
    // new sample of that side unless the frequency really stays (a second repeat, a slow cycle).
    if (!samples_.empty() && hz == samples_.back().hz && !suspect_ &&
        arrival - last_taken_ < kRepeatIsNewMs) {
        last_arrival_ = arrival;
        return;
    }
    last_arrival_ = arrival;
    last_taken_ = arrival;
    const auto t = static_cast<double>(arrival);
    const Sample sample{{t, clock_.moment(arrival)}, hz};
    if (samples_.empty()) {
        take(sample);
        return;
    }
    const Sample& last = samples_.back();
    // Another satellite or transponder: its frequency counts at once, with no trend behind it.
    const double base_ms = std::max(t - last.t[0], static_cast<double>(kShortestRateBaseMs));
    if (std::fabs(hz - last.hz) > std::fabs(hz) * kFastestDopplerPerMs * base_ms ||
        t - last.t[0] > static_cast<double>(kLongestPredictionMs)) {
        samples_.clear();
        suspect_.reset();
        take(sample);
        return;
    }
    if (!strays(sample)) {
        score(sample);
        suspect_.reset();
        take(sample);
        return;
    }
    // Two in a row off the line the same way: the trend has changed, not the tracker erred, and
    // the line starts again from the two.
    if (suspect_ && (suspect_->hz - line_at(*suspect_) > 0) == (hz - line_at(sample) > 0)) {
        samples_.clear();
        take(*suspect_);
        suspect_.reset();
        take(sample);
        return;
    }
    suspect_ = sample;
}

bool DopplerPredictor::strays(Sample sample) const {
    if (samples_.size() < 2 ||
        samples_.back().t[0] - samples_.front().t[0] < static_cast<double>(kShortestRateBaseMs)) {
        return false;
    }
    const double allowed =
        kTrendToleranceHz + std::fabs(line_.rate) * static_cast<double>(kArrivalSpreadMs);
    return std::fabs(sample.hz - line_at(sample)) > allowed;
}

void DopplerPredictor::take(Sample sample) {
    samples_.push_back(sample);
    while (sample.t[0] - samples_.front().t[0] > static_cast<double>(kTrendWindowMs)) {
        samples_.pop_front();
    }
    fit();
}

void DopplerPredictor::fit() {
    const Sample& last = samples_.back();
    lines_ = {Line{last.t[0], last.hz, 0, 0}, Line{last.t[1], last.hz, 0, 1}};
    if (samples_.size() >= 2 &&
        last.t[0] - samples_.front().t[0] >= static_cast<double>(kShortestRateBaseMs)) {
        for (Line& line : lines_) {
            const int base = line.base;
            // Times from the newest update, so the sums stay small.
            double n = 0, st = 0, sh = 0, stt = 0, sth = 0;
            for (const Sample& s : samples_) {
                const double dt = s.t[base] - last.t[base];
                n += 1, st += dt, sh += s.hz, stt += dt * dt, sth += dt * s.hz;
            }
            const double spread = n * stt - st * st;
            if (spread <= 0) {
                continue;
            }
            const double rate = (n * sth - st * sh) / spread;
            if (std::fabs(rate) <= std::fabs(last.hz) * kFastestDopplerPerMs) {
                line = Line{last.t[base], (sh - rate * st) / n, rate, base};
            }
        }
    }
    line_ = lines_[misses_[1] < kCycleWins * misses_[0] ? 1 : 0];
}

void DopplerPredictor::score(const Sample& sample) {
    // Arrival times, or the moments of the tracker's cycle: whichever has lately foretold the
    // updates better. A tracker that computes as it sends (Gpredict) is best read by arrival;
    // one whose updates the way delays unevenly, by its cycle.
    for (const Line& line : lines_) {
        const double miss = sample.hz - (line.hz + line.rate * (sample.t[line.base] - line.t));
        misses_[line.base] = misses_[line.base] * kMissMemory + miss * miss;
    }
}

double DopplerPredictor::rate_at(std::int64_t t) const {
    return known() && t <= horizon() ? line_.rate : 0;
}

double DopplerPredictor::at(std::int64_t t) const {
    if (!known()) {
        return 0;
    }
    return line_.hz + line_.rate * (static_cast<double>(std::min(t, horizon())) - line_.t);
}

} // namespace dopplex
