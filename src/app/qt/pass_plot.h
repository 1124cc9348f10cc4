// The pass plot: elevation, and for each side the tracker's Doppler frequency against the
// estimated dial, from AOS on; it starts over at each AOS. A tool window the operator shows or
// hides. GUI thread only; fed by the readouts' relay.
#pragma once

#include "plot_series.h"

#include <QWidget>

namespace dopplex::app {

class PassPlot final : public QWidget {
    Q_OBJECT
public:
    explicit PassPlot(QWidget* parent = nullptr);

    void start(const TrackingPoint& aos);
    void add(const TrackingPoint& point);
    // A pulse moves its side's dial line at once, also during a train, when the engine applies
    // no updates: the tracker's values are the last applied.
    void add(const PulseRecord& pulse);
    const std::vector<TrackingPoint>& points() const { return series_.points(); }

signals:
    void hidden();

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    PassSeries series_;
};

} // namespace dopplex::app
