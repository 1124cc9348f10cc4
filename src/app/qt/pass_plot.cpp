#include "pass_plot.h"

#include "utc_text.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <functional>
#include <optional>

namespace dopplex::app {

namespace {

using Value = std::function<std::optional<double>(const TrackingPoint&)>;

struct Series {
    Value value;
    QColor color;
    Qt::PenStyle style;
};

struct Graph {
    QString title;
    std::vector<Series> series;
    std::optional<std::pair<double, double>> fixed_range; // else from the data
    QString unit;
};

const QColor kGrid(70, 74, 82);
const QColor kText(190, 195, 200);
constexpr double kTitleHeight = 16;

double offset_khz(double hz, double origin_hz) {
    return (hz - origin_hz) / 1000.0;
}

std::pair<double, double> range_of(const std::vector<TrackingPoint>& points, const Graph& graph) {
    if (graph.fixed_range)
        return *graph.fixed_range;
    double low = 0, high = 0;
    bool any = false;
    for (const TrackingPoint& p : points)
        for (const Series& s : graph.series)
            if (const auto v = s.value(p)) {
                low = any ? std::min(low, *v) : *v;
                high = any ? std::max(high, *v) : *v;
                any = true;
            }
    const double margin = std::max(0.5, (high - low) * 0.08);
    return {low - margin, high + margin};
}

void draw_graph(QPainter& p, const QRectF& area, const Graph& graph,
                const std::vector<TrackingPoint>& points, std::int64_t t0, std::int64_t span_ms) {
    p.setPen(kGrid);
    p.setBrush(Qt::NoBrush);
    p.drawRect(area);
    p.setPen(kText);
    p.drawText(QRectF(area.left(), area.top() - kTitleHeight, area.width(), kTitleHeight),
               Qt::AlignLeft | Qt::AlignVCenter, graph.title);
    if (points.empty())
        return;
    const auto [low, high] = range_of(points, graph);
    p.drawText(QRectF(area.left(), area.top() - kTitleHeight, area.width(), kTitleHeight),
               Qt::AlignRight | Qt::AlignVCenter,
               QString("%1 %2").arg(high, 0, 'f', 1).arg(graph.unit));
    p.drawText(area.adjusted(6, 0, -6, -2), Qt::AlignRight | Qt::AlignBottom,
               QString("%1 %2").arg(low, 0, 'f', 1).arg(graph.unit));
    const auto x_of = [&](std::int64_t t) {
        return area.left() +
               area.width() * double(t - t0) / double(std::max<std::int64_t>(span_ms, 1));
    };
    const auto y_of = [&](double v) {
        return area.bottom() - area.height() * (v - low) / (high - low);
    };
    p.save();
    p.setClipRect(area);
    for (const Series& s : graph.series) {
        QPainterPath path;
        bool drawing = false;
        for (const TrackingPoint& point : points) {
            const auto v = s.value(point);
            if (!v) {
                drawing = false;
                continue;
            }
            const QPointF at(x_of(point.utc_ms), y_of(*v));
            if (drawing)
                path.lineTo(at);
            else
                path.moveTo(at);
            drawing = true;
        }
        p.setPen(QPen(s.color, 1.6, s.style));
        p.drawPath(path);
    }
    p.restore();
}

struct SideLook {
    const char* title;
    double TrackingPoint::*doppler_hz;
    QColor doppler, dial;
};

// Frequencies as offsets from the pass's first Doppler value, so a few kHz of drift show.
Graph side_graph(Side side, const std::vector<TrackingPoint>& points) {
    static const SideLook looks[] = {
        {"RX", &TrackingPoint::downlink_hz, QColor(250, 220, 30), QColor(40, 110, 255)},
        {"TX", &TrackingPoint::uplink_hz, QColor(230, 60, 60), QColor(255, 140, 20)},
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
    return {QString(look.title) + ": Doppler (solid) and dial (dashed), kHz from AOS",
            {{doppler, look.doppler, Qt::SolidLine}, {dial, look.dial, Qt::DashLine}},
            std::nullopt,
            "kHz"};
}

} // namespace

PassPlot::PassPlot(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setWindowTitle("Dopplex - pass plot");
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(560, 420);
    setMinimumSize(320, 260);
    title_ = "No pass yet: the plot starts at AOS";
}

void PassPlot::start(const TrackingPoint& aos) {
    points_.clear();
    title_ = QString::fromStdString(aos.satellite + "  -  AOS " + utc_text(aos.utc_ms));
    update();
}

void PassPlot::add(const TrackingPoint& point) {
    if (!point.in_pass)
        return;
    points_.push_back(point);
    update();
}

void PassPlot::add(const PulseRecord& pulse) {
    if (points_.empty() || !points_.back().in_pass)
        return;
    TrackingPoint moved = points_.back();
    moved.utc_ms = pulse.utc_ms;
    moved.dial_hz[static_cast<int>(pulse.side)] = pulse.dial_hz;
    points_.push_back(moved);
    update();
}

void PassPlot::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit hidden();
}

void PassPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(28, 30, 34));
    p.setPen(kText);
    p.drawText(QRect(10, 4, width() - 20, 18), Qt::AlignLeft | Qt::AlignVCenter, title_);

    const Graph graphs[] = {
        {"Elevation",
         {{[](const TrackingPoint& t) { return std::optional(t.elevation_deg); },
           QColor(120, 220, 130), Qt::SolidLine}},
         std::pair(-5.0, 90.0),
         "deg"},
        side_graph(Side::Rx, points_),
        side_graph(Side::Tx, points_),
    };
    const std::int64_t t0 = points_.empty() ? 0 : points_.front().utc_ms;
    const std::int64_t span = points_.empty() ? 1 : points_.back().utc_ms - t0;
    const double top = 26 + kTitleHeight, bottom = height() - 22.0, gap = 6 + kTitleHeight;
    const double h = (bottom - top - 2 * gap) / 3;
    for (int i = 0; i < 3; ++i)
        draw_graph(p, QRectF(10, top + i * (h + gap), width() - 20, h), graphs[i], points_, t0,
                   span);
    p.setPen(kText);
    p.drawText(QRect(10, height() - 20, width() - 20, 18), Qt::AlignLeft | Qt::AlignVCenter,
               points_.empty() ? QString()
                               : QString("%1 min since AOS").arg(span / 60000.0, 0, 'f', 1));
}

} // namespace dopplex::app
