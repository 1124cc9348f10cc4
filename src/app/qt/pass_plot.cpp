#include "pass_plot.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace dopplex::app {

namespace {

constexpr double kTitleHeight = 16;

QColor color(PlotColor c) {
    return QColor(c.red, c.green, c.blue);
}

void draw_graph(QPainter& p, const QRectF& area, const PlotGraph& graph,
                const std::vector<TrackingPoint>& points, std::int64_t t0, std::int64_t span_ms) {
    p.setPen(color(kPlotGrid));
    p.setBrush(Qt::NoBrush);
    p.drawRect(area);
    p.setPen(color(kPlotText));
    const QRectF title_row(area.left(), area.top() - kTitleHeight, area.width(), kTitleHeight);
    p.drawText(title_row, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(graph.title));
    if (points.empty())
        return;
    const auto [low, high] = graph_range(points, graph);
    p.drawText(title_row, Qt::AlignRight | Qt::AlignVCenter,
               QString::fromStdString(axis_label(high, graph.unit)));
    p.drawText(area.adjusted(6, 0, -6, -2), Qt::AlignRight | Qt::AlignBottom,
               QString::fromStdString(axis_label(low, graph.unit)));
    const auto x_of = [&](std::int64_t t) {
        return area.left() +
               area.width() * double(t - t0) / double(std::max<std::int64_t>(span_ms, 1));
    };
    const auto y_of = [&](double v) {
        return area.bottom() - area.height() * (v - low) / (high - low);
    };
    p.save();
    p.setClipRect(area);
    for (const PlotSeries& s : graph.series) {
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
        p.setPen(
            QPen(color(s.color), 1.6, s.line == PlotLine::Solid ? Qt::SolidLine : Qt::DashLine));
        p.drawPath(path);
    }
    p.restore();
}

} // namespace

PassPlot::PassPlot(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setWindowTitle("Dopplex - pass plot");
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(560, 420);
    setMinimumSize(320, 260);
}

void PassPlot::start(const TrackingPoint& aos) {
    series_.start(aos);
    update();
}

void PassPlot::add(const TrackingPoint& point) {
    if (series_.add(point))
        update();
}

void PassPlot::add(const PulseRecord& pulse) {
    if (series_.add(pulse))
        update();
}

void PassPlot::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit hidden();
}

void PassPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), color(kPlotBackground));
    p.setPen(color(kPlotText));
    p.drawText(QRect(10, 4, width() - 20, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromStdString(series_.title()));

    const std::vector<PlotGraph> graphs = series_.graphs();
    const double top = 26 + kTitleHeight, bottom = height() - 22.0, gap = 6 + kTitleHeight;
    const double h = (bottom - top - 2 * gap) / 3;
    for (int i = 0; i < 3; ++i)
        draw_graph(p, QRectF(10, top + i * (h + gap), width() - 20, h), graphs[i], series_.points(),
                   series_.t0_ms(), series_.span_ms());
    p.setPen(color(kPlotText));
    p.drawText(QRect(10, height() - 20, width() - 20, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromStdString(series_.footer()));
}

} // namespace dopplex::app
