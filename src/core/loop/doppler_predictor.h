// One side's Doppler frequency between the tracker's updates: a least-squares line through the
// updates of the last few seconds, each at its arrival or, when that has foretold the updates
// clearly better of late, at the moment the tracker's cycle puts it (see TrackerClock), so an
// uneven feed (late, early or lost updates) moves the line little. An update far off that line
// is held until the next one confirms it (a tracker now and then sends a value computed for an
// earlier second). No rate across a gap of more than 3 s, and no prediction more than 3 s past
// the last update: there it stays until the next one.
#pragma once

#include "loop/tracker_clock.h"

#include <array>
#include <cstdint>
#include <deque>
#include <optional>

namespace dopplex {

inline constexpr std::int64_t kLongestPredictionMs = 3000;
// Updates that arrive bunched (a tracker catching up after a stall) are milliseconds apart: a
// rate over so short a time would be wild, so none is taken from updates closer than this.
inline constexpr std::int64_t kShortestRateBaseMs = 500;
// The updates the line goes through: long enough to even out a few arrivals, short enough that
// the Doppler's curve near the closest approach bends the line by a few hertz only.
inline constexpr std::int64_t kTrendWindowMs = 4000;
// No satellite's Doppler moves faster than this share of its frequency (about twice that of an
// overhead pass at 200 km); a faster change is the tracker turning to another frequency.
inline constexpr double kFastestDopplerPerMs = 2e-9;
// How far an update may stray from the line and still be taken: the tracker's rounding and the
// fit's own error, plus what the Doppler moves while an update arrives that much early or late.
inline constexpr double kTrendToleranceHz = 30;
inline constexpr std::int64_t kArrivalSpreadMs = 500;
inline constexpr std::int64_t kRepeatIsNewMs = 1500;

class DopplerPredictor {
public:
    void update(std::int64_t t, double hz);
    // A reopened link: the next update starts afresh.
    void forget() {
        samples_.clear(), suspect_.reset(), line_ = Line{}, clock_.forget(), misses_ = {};
    }

    bool known() const { return !samples_.empty(); }
    double at(std::int64_t t) const;
    // Hz per ms; 0 when not predicting at `t`.
    double rate_at(std::int64_t t) const;
    // Until when a prediction is made.
    std::int64_t horizon() const { return last_arrival_ + kLongestPredictionMs; }

private:
    struct Sample {
        std::array<double, 2> t; // ms: the arrival, and the moment by the tracker's cycle
        double hz;
    };
    struct Line {
        double t = 0; // where `hz` is the line's value
        double hz = 0;
        double rate = 0; // Hz per ms
        int base = 0;    // the times it goes by: Sample::t[base]
    };
    void take(Sample sample);
    void fit();
    bool strays(Sample sample) const;
    void score(const Sample& sample);
    double line_at(const Sample& s) const {
        return line_.hz + line_.rate * (s.t[line_.base] - line_.t);
    }

    std::deque<Sample> samples_; // taken, the last kTrendWindowMs
    std::optional<Sample> suspect_;
    Line line_;                      // the better of:
    std::array<Line, 2> lines_;      // by arrival, by the tracker's cycle
    std::array<double, 2> misses_{}; // how far each foretold the updates of late
    static constexpr double kMissMemory = 0.95;
    static constexpr double kCycleWins = 0.5; // the cycle is taken only when clearly better
    std::int64_t last_arrival_ = 0;
    std::int64_t last_taken_ = 0; // arrival of the last update taken or held
    TrackerClock clock_;
};

} // namespace dopplex
