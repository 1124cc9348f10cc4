#include "plot_series.h"

#include "utc_text.h"

#include <algorithm>
#include <cstdio>

namespace dopplex::app {

namespace {

double offset_khz(double hz, double origin_hz) {
    return (hz - origin_hz) / 1000.0;
}

struct SideLook {
    const char* title;
    double TrackingPoint::*doppler_hz;
    PlotColor doppler, dial;
};

PlotGraph side_graph(Side side, const std::vector<TrackingPoint>& points) {
    static const SideLook looks[] = {
        {"RX", &TrackingPoint::downlink_hz, {250, 220, 30}, {40, 110, 255}},
        {"TX", &TrackingPoint::uplink_hz, {230, 60, 60}, {255, 140, 20}},
    };
    const SideLook& look = looks[static_cast<int>(side)];
    const double origin_hz = points.empty() ? 0 : points.front().*look.doppler_hz;
    const auto doppler = [&look, origin_hz](const TrackingPoint& t) {
        return std::optional(offset_khz(t.*look.doppler_hz, origin_hz));
    };
    const auto dial = [side, origin_hz](const TrackingPoint& t) {
        const std::optional<double>& hz = t.dial_hz[static_cast<int>(side)];
        return hz ? std::optional(offset_khz(*hz, origin_hz)) : std::nullopt;
    };
    return {std::string(look.title) + ": Doppler (solid) and dial (dashed), kHz from AOS",
            {{doppler, look.doppler, PlotLine::Solid}, {dial, look.dial, PlotLine::Dashed}},
            std::nullopt,
            "kHz"};
}

} // namespace

std::pair<double, double> graph_range(const std::vector<TrackingPoint>& points,
                                      const PlotGraph& graph) {
    if (graph.fixed_range) {
        return *graph.fixed_range;
    }
    double low = 0, high = 0;
    bool any = false;
    for (const TrackingPoint& p : points) {
        for (const PlotSeries& s : graph.series) {
            if (const auto v = s.value(p)) {
                low = any ? std::min(low, *v) : *v;
                high = any ? std::max(high, *v) : *v;
                any = true;
            }
        }
    }
    const double margin = std::max(0.5, (high - low) * 0.08);
    return {low - margin, high + margin};
}

std::string axis_label(double value, const std::string& unit) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f ", value);
    return text + unit;
}

void PassSeries::start(const TrackingPoint& aos) {
    points_.clear();
    title_ = aos.satellite + "  -  AOS " + utc_text(aos.utc_ms);
}

bool PassSeries::add(const TrackingPoint& point) {
    if (!point.in_pass) {
        return false;
    }
    points_.push_back(point);
    return true;
}

bool PassSeries::add(const PulseRecord& pulse) {
    if (points_.empty() || !points_.back().in_pass) {
        return false;
    }
    TrackingPoint moved = points_.back();
    moved.utc_ms = pulse.utc_ms;
    moved.dial_hz[static_cast<int>(pulse.side)] = pulse.dial_hz;
    points_.push_back(moved);
    return true;
}

std::vector<PlotGraph> PassSeries::graphs() const {
    std::vector<PlotGraph> graphs;
    graphs.push_back({"Elevation",
                      {{[](const TrackingPoint& t) { return std::optional(t.elevation_deg); },
                        {120, 220, 130},
                        PlotLine::Solid}},
                      std::pair(-5.0, 90.0),
                      "deg"});
    graphs.push_back(side_graph(Side::Rx, points_));
    graphs.push_back(side_graph(Side::Tx, points_));
    return graphs;
}

std::int64_t PassSeries::t0_ms() const {
    return points_.empty() ? 0 : points_.front().utc_ms;
}

std::int64_t PassSeries::span_ms() const {
    return points_.empty() ? 1 : points_.back().utc_ms - t0_ms();
}

std::vector<std::vector<PlotPoint>> PassSeries::lines(const PlotSeries& series,
                                                      std::pair<double, double> range,
                                                      const PlotArea& area) const {
    const auto [low, high] = range;
    const double span = static_cast<double>(std::max<std::int64_t>(span_ms(), 1));
    std::vector<std::vector<PlotPoint>> lines;
    bool drawing = false;
    for (const TrackingPoint& point : points_) {
        const std::optional<double> value = series.value(point);
        if (!value) {
            drawing = false;
            continue;
        }
        if (!drawing) {
            lines.emplace_back();
        }
        drawing = true;
        lines.back().push_back(
            {area.left + area.width * static_cast<double>(point.utc_ms - t0_ms()) / span,
             area.top + area.height - area.height * (*value - low) / (high - low)});
    }
    return lines;
}

std::array<PlotArea, 3> graph_areas(double width, double height) {
    const double top = 26 + kPlotTitleHeight, bottom = height - 22, gap = 6 + kPlotTitleHeight;
    const double h = (bottom - top - 2 * gap) / 3;
    std::array<PlotArea, 3> areas{};
    for (int i = 0; i < 3; ++i) {
        areas[static_cast<std::size_t>(i)] = {10, top + i * (h + gap), width - 20, h};
    }
    return areas;
}

std::string PassSeries::footer() const {
    if (points_.empty()) {
        return "";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.1f min since AOS", span_ms() / 60000.0);
    return text;
}

} // namespace dopplex::app
