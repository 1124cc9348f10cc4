// What both windows do with what the engine tells of a pass: the plot follows it, and the AOS
// countdown follows its updates. `Plot` takes start(aos), add(point) and add(pulse); the window
// says where the countdown's words go. The window's thread.
#pragma once

#include "aos_countdown.h"
#include "pass_feed.h"
#include "pass_record.h"

#include <string>

namespace dopplex::app {

template <class Plot> class PassShow : public PassObserver {
public:
    explicit PassShow(Plot& plot) : plot_(plot) {}

    void pass_started(const TrackingPoint& aos) override { plot_.start(aos); }
    void tracking_update(const TrackingPoint& point) override {
        plot_.add(point);
        aos_text_ = point.aos_text;
        elevation_deg_ = point.elevation_deg;
        show_countdown();
    }
    void pulse_sent(const PulseRecord& pulse) override { plot_.add(pulse); }

    // Also once a second, so that the countdown counts.
    virtual void show_countdown() = 0;

protected:
    // The countdown's words now; `link_open`: whether the window shows the link open.
    std::string countdown_text(bool link_open) const {
        return aos_countdown_text(aos_text_, elevation_deg_, utc_now_ms(), link_open);
    }

private:
    Plot& plot_;
    std::string aos_text_;
    double elevation_deg_ = 0;
};

} // namespace dopplex::app
