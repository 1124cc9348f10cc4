// One side's Doppler frequency between the tracker's updates: the last update moved on at the
// rate of the last two, by their arrival times. No rate across a gap of more than 3 s, and no
// prediction more than 3 s past the last update: there it stays until the next one.
#pragma once

#include <cstdint>
#include <optional>

namespace dopplex {

inline constexpr std::int64_t kLongestPredictionMs = 3000;
// Updates that arrive bunched (a tracker catching up after a stall) are milliseconds apart: a
// rate over so short a time would be wild, so it is measured against an older update instead.
inline constexpr std::int64_t kShortestRateBaseMs = 500;
// No satellite's Doppler moves faster than this share of its frequency (about twice that of an
// overhead pass at 200 km); a faster change is the tracker turning to another frequency.
inline constexpr double kFastestDopplerPerMs = 2e-9;

class DopplerPredictor {
public:
    void update(std::int64_t t, double hz);
    // A reopened link: the next update starts afresh.
    void forget() { base_.reset(), last_.reset(), rate_hz_per_ms_ = 0; }

    bool known() const { return last_.has_value(); }
    double at(std::int64_t t) const;
    // Hz per ms; 0 when not predicting at `t`.
    double rate_at(std::int64_t t) const;
    // Until when a prediction is made.
    std::int64_t horizon() const { return last_ ? last_->t + kLongestPredictionMs : 0; }

private:
    struct Sample {
        std::int64_t t;
        double hz;
    };
    std::optional<Sample> base_; // what the rate is measured from
    std::optional<Sample> last_;
    double rate_hz_per_ms_ = 0;
};

} // namespace dopplex
