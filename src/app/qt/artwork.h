// The window's decorative pictures, drawn here: the banner with the program's name and the two
// small satellites beside the current-Doppler fields. No behaviour.
#pragma once

#include <QWidget>

namespace dopplex::app {

class Banner final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class SatelliteDrawing final : public QWidget {
public:
    // downlink: the arrow points down to the station (RX), else up to the satellite (TX).
    SatelliteDrawing(bool downlink, QWidget* parent) : QWidget(parent), downlink_(downlink) {}

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool downlink_;
};

} // namespace dopplex::app
