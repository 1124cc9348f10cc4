// Follows the station for the operator readouts: each tracking update it applied, each pulse
// that reached the port with what sent it, and the start and end of each pass as the engine
// judged them (never by a rule of its own); stamps each with the wall clock and tells the pass
// observers.
// Engine thread only: a listener of the station. It never throws to the engine.
#pragma once

#include "pass_record.h"
#include "station/events.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace dopplex::app {

class PassRecorder final : public StationListener {
public:
    using UtcClock = std::function<std::int64_t()>; // ms since 1970 UTC

    explicit PassRecorder(UtcClock utc_ms) : utc_ms_(std::move(utc_ms)) {}
    PassRecorder(const PassRecorder&) = delete;
    PassRecorder& operator=(const PassRecorder&) = delete;

    void add_observer(PassObserver* observer) { observers_.push_back(observer); }

    void tracking_applied(const TrackingApplied& applied) override;
    void pulse_sent(const PulseSent& pulse) override;
    void cat_reported(Side side, const std::string& line);

private:
    UtcClock utc_ms_;
    std::vector<PassObserver*> observers_;
};

} // namespace dopplex::app
