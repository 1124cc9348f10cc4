// The on-screen LED panel: the eight output lines as last written, in the interface's colours,
// and which port backend is in use with its health. GUI thread only.
#pragma once

#include "port/supervised_port.h"

#include <QWidget>

namespace dopplex::app {

class LedPanel final : public QWidget {
public:
    explicit LedPanel(QWidget* parent = nullptr);

    void set_status(const port::PortStatus& status);
    const port::PortStatus& status() const { return status_; }
    // What the panel says under the LEDs, e.g. "Port: virtual (no hardware)".
    QString status_line() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    port::PortStatus status_;
    bool has_status_ = false;
};

} // namespace dopplex::app
