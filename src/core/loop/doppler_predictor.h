// One side's Doppler frequency between the tracker's updates: the last update moved on at the
// rate of the last two, by their arrival times. No rate across a gap of more than 3 s, and no
// prediction more than 3 s past the last update: there it stays until the next one.
#pragma once

#include <cstdint>
#include <optional>

namespace dopplex {

inline constexpr std::int64_t kLongestPredictionMs = 3000;

class DopplerPredictor {
public:
    void update(std::int64_t t, double hz);
    // A reopened link: the next update starts afresh.
    void forget() { last_.reset(), rate_hz_per_ms_ = 0; }

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
    std::optional<Sample> last_;
    double rate_hz_per_ms_ = 0;
};

} // namespace dopplex
