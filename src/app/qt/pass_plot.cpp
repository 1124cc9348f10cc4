#include "pass_plot.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace dopplex::app {

namespace {

QColor color(PlotColor c) {
    return QColor(c.red, c.green, c.blue);
}

void draw_graph(QPainter& p, const PlotArea& place, const PlotGraph& graph,
                const PassSeries& series) {
    const QRectF area(place.left, place.top, place.width, place.height);
    p.setPen(color(kPlotGrid));
    p.setBrush(Qt::NoBrush);
    p.drawRect(area);
    p.setPen(color(kPlotText));
    const QRectF title_row(area.left(), area.top() - kPlotTitleHeight, area.width(),
                           kPlotTitleHeight);
    p.drawText(title_row, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(graph.title));
    if (series.points().empty()) {
        return;
    }
    const auto range = graph_range(series.points(), graph);
    p.drawText(title_row, Qt::AlignRight | Qt::AlignVCenter,
               QString::fromStdString(axis_label(range.second, graph.unit)));
    p.drawText(area.adjusted(6, 0, -6, -2), Qt::AlignRight | Qt::AlignBottom,
               QString::fromStdString(axis_label(range.first, graph.unit)));
    p.save();
    p.setClipRect(area);
    for (const PlotSeries& s : graph.series) {
        QPainterPath path;
        for (const std::vector<PlotPoint>& line : series.lines(s, range, place)) {
            path.moveTo(line.front().x, line.front().y);
            for (const PlotPoint& at : line) {
                path.lineTo(at.x, at.y);
            }
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
    if (series_.add(point)) {
        update();
    }
}

void PassPlot::add(const PulseRecord& pulse) {
    if (series_.add(pulse)) {
        update();
    }
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
    const auto areas = graph_areas(width(), height());
    for (std::size_t i = 0; i < areas.size(); ++i) {
        draw_graph(p, areas[i], graphs[i], series_);
    }
    p.setPen(color(kPlotText));
    p.drawText(QRect(10, height() - 20, width() - 20, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromStdString(series_.footer()));
}

} // namespace dopplex::app
