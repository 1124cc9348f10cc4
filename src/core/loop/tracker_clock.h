// When the tracker computed an update, from when it arrived: trackers compute on a regular
// cycle, and the network or the host delays each update by a different amount. A line through
// the arrivals of the last seconds against their places in the cycle gives each one's moment to
// a few milliseconds; while no steady cycle shows, the arrival is the moment.
#pragma once

#include <cstdint>
#include <deque>

namespace dopplex {

class TrackerClock {
public:
    // Records an arrival and returns its moment, ms.
    double moment(std::int64_t arrival);
    void forget() { ticks_.clear(), period_ = 0, steady_ = false; }

private:
    struct Tick {
        double k; // place in the cycle
        double t; // arrival
    };
    void fit();

    std::deque<Tick> ticks_;
    double first_ = 0;  // the line's moment of place 0
    double period_ = 0; // ms
    bool steady_ = false;
};

} // namespace dopplex
