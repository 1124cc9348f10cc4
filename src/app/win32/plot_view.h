// The pass plot in the Win32 API: its own window, drawing with GDI the series and graphs the
// shared code decides (plot_series.h). The close box only hides it. UI thread only.
#pragma once

#include "plot_series.h"

#include <windows.h>

#include <functional>

namespace dopplex::app::win32 {

class PlotView {
public:
    PlotView(HINSTANCE instance, HWND owner);
    ~PlotView();
    PlotView(const PlotView&) = delete;
    PlotView& operator=(const PlotView&) = delete;

    HWND window() const { return window_; }
    void set_visible(bool visible);
    // Who hears that the window hid itself (its close box).
    std::function<void()> on_hidden;
    // Called once a second, shown or not (the readouts' clock).
    std::function<void()> on_second;

    void start(const TrackingPoint& aos);
    void add(const TrackingPoint& point);
    void add(const PulseRecord& pulse);
    const PassSeries& series() const { return series_; }

    // The window procedure's (window_class.h).
    void adopt(HWND window) { window_ = window; }
    LRESULT handle(UINT message, WPARAM w, LPARAM l);

private:
    void paint();

    HWND window_ = nullptr;
    PassSeries series_;
};

} // namespace dopplex::app::win32
