// What the pass plot draws, without a toolkit: the points of the pass (from AOS on, a pulse
// moving its side's dial line at once), and the three graphs over them (elevation; for each
// side the Doppler frequency against the estimated dial). Each window only draws these.
// One thread (the window's).
#pragma once

#include "pass_record.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dopplex::app {

struct PlotColor {
    std::uint8_t red, green, blue;
};
inline constexpr PlotColor kPlotBackground{28, 30, 34};
inline constexpr PlotColor kPlotGrid{70, 74, 82};
inline constexpr PlotColor kPlotText{190, 195, 200};

enum class PlotLine { Solid, Dashed };

struct PlotSeries {
    std::function<std::optional<double>(const TrackingPoint&)> value; // none: a gap
    PlotColor color;
    PlotLine line;
};

struct PlotGraph {
    std::string title;
    std::vector<PlotSeries> series;
    std::optional<std::pair<double, double>> fixed_range; // else from the data
    std::string unit;
};

// A rectangle of the plot window, in its pixels.
struct PlotArea {
    double left, top, width, height;
};
struct PlotPoint {
    double x, y;
};

// Each graph's title row stands this high above its area.
inline constexpr double kPlotTitleHeight = 16;
// The three graphs' areas (elevation, RX, TX) in a window of this size, between the title line
// at the top and the footer line at the bottom.
std::array<PlotArea, 3> graph_areas(double width, double height);

// The low and high ends of a graph's value axis.
std::pair<double, double> graph_range(const std::vector<TrackingPoint>& points,
                                      const PlotGraph& graph);
// "%.1f unit", as the axis labels show it.
std::string axis_label(double value, const std::string& unit);

class PassSeries {
public:
    void start(const TrackingPoint& aos);
    // False when nothing changed (outside a pass): no need to draw.
    bool add(const TrackingPoint& point);
    // During a train the engine applies no updates: the tracker's values are the last applied.
    bool add(const PulseRecord& pulse);

    const std::vector<TrackingPoint>& points() const { return points_; }
    const std::string& title() const { return title_; }
    // Elevation, RX, TX; frequencies as kHz from the pass's first Doppler value, so a few kHz
    // of drift show.
    std::vector<PlotGraph> graphs() const;
    std::int64_t t0_ms() const;
    std::int64_t span_ms() const;
    // "3.5 min since AOS", or "" before the first point.
    std::string footer() const;
    // Where `series` is drawn in `area` with the value axis `range` (graph_range): one line per
    // run of points, broken where the series has a gap.
    std::vector<std::vector<PlotPoint>>
    lines(const PlotSeries& series, std::pair<double, double> range, const PlotArea& area) const;

private:
    std::vector<TrackingPoint> points_;
    std::string title_ = "No pass yet: the plot starts at AOS";
};

} // namespace dopplex::app
