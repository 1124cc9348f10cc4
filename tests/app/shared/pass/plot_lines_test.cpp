// Where the pass plot draws a series: both windows draw exactly these lines.
#include "plot_series.h"

#include <gtest/gtest.h>

namespace dopplex::app {
namespace {

TrackingPoint at(std::int64_t utc_ms, std::optional<double> rx_dial_hz) {
    TrackingPoint point;
    point.utc_ms = utc_ms;
    point.in_pass = true;
    point.dial_hz[0] = rx_dial_hz;
    return point;
}

TEST(PlotLines, RunsBreakAtGapsAndSpanTheArea) {
    const PlotSeries dial{
        [](const TrackingPoint& t) { return t.dial_hz[0]; }, {0, 0, 0}, PlotLine::Dashed};
    const PlotArea area{10, 20, 100, 50};
    struct Row {
        const char* what;
        std::vector<std::optional<double>> values; // one a second
        std::vector<std::vector<PlotPoint>> lines;
    };
    const Row rows[] = {
        {"one run, low to high", {0.0, 10.0}, {{{10, 70}, {110, 20}}}},
        {"a gap between", {0.0, std::nullopt, 10.0}, {{{10, 70}}, {{110, 20}}}},
        {"gaps at both ends", {std::nullopt, 5.0, std::nullopt}, {{{60, 45}}}},
        {"no value", {std::nullopt, std::nullopt}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        PassSeries series;
        for (std::size_t i = 0; i < row.values.size(); ++i) {
            series.add(at(1000 * static_cast<std::int64_t>(i), row.values[i]));
        }
        const auto lines = series.lines(dial, {0.0, 10.0}, area);
        ASSERT_EQ(lines.size(), row.lines.size());
        for (std::size_t l = 0; l < lines.size(); ++l) {
            ASSERT_EQ(lines[l].size(), row.lines[l].size());
            for (std::size_t p = 0; p < lines[l].size(); ++p) {
                EXPECT_DOUBLE_EQ(lines[l][p].x, row.lines[l][p].x)
                    << "line " << l << " point " << p;
                EXPECT_DOUBLE_EQ(lines[l][p].y, row.lines[l][p].y)
                    << "line " << l << " point " << p;
            }
        }
    }
}

} // namespace
} // namespace dopplex::app
