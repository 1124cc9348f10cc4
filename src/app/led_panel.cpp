#include "led_panel.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <array>

namespace dopplex::app {

namespace {

struct Led {
    const char* label;
    QColor color;
};

// Bit n drives DB-25 pin n + 2 and its LED on the interface.
const std::array<Led, 8> kLeds{{
    {"RX UP", QColor(230, 30, 30)},
    {"RX DOWN", QColor(250, 220, 30)},
    {"RX TUNED", QColor(40, 110, 255)},
    {"GREEN", QColor(40, 220, 60)},
    {"TX UP", QColor(230, 30, 30)},
    {"TX DOWN", QColor(250, 220, 30)},
    {"TX TUNED", QColor(255, 140, 20)},
    {"AUX", QColor(40, 220, 60)},
}};

QString health_text(const port::PortStatus& status) {
    switch (status.health) {
    case port::PortHealth::Ok:
        return "ok";
    case port::PortHealth::Fallback:
        return "the chosen port could not be opened, running on the virtual one";
    case port::PortHealth::Failed:
        return "FAILED, lines unknown";
    case port::PortHealth::Recovered:
        return "reopened";
    }
    return {};
}

// The labels' font, small enough that the widest label leaves a gap to its neighbours.
QFont label_font(QFont font, double column_width) {
    font.setPointSizeF(font.pointSizeF() * 0.85);
    double widest = 0;
    for (const Led& led : kLeds)
        widest = std::max(widest, QFontMetricsF(font).horizontalAdvance(led.label));
    const double room = column_width - 6;
    if (widest > room)
        font.setPointSizeF(font.pointSizeF() * room / widest);
    return font;
}

} // namespace

LedPanel::LedPanel(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LedPanel::set_status(const port::PortStatus& status) {
    if (has_status_ && status == status_)
        return;
    status_ = status;
    has_status_ = true;
    setToolTip(QString::fromStdString(status.message));
    update();
}

QString LedPanel::status_line() const {
    if (!has_status_)
        return "Port: opening...";
    return "Port: " + QString::fromStdString(status_.backend) + "  -  " + health_text(status_);
}

void LedPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QColor(90, 90, 90));
    p.setBrush(QColor(28, 30, 34));
    p.drawRoundedRect(frame, 6, 6);

    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    small.setBold(true);
    p.setFont(small);
    p.setPen(QColor(170, 175, 180));
    p.drawText(QRect(10, 4, width() - 20, 16), Qt::AlignLeft | Qt::AlignVCenter,
               "OUTPUT LINES  (DB-25 pins 2-9)");

    const bool unknown =
        has_status_ && !status_.lines.has_value() && status_.health == port::PortHealth::Failed;
    const int byte = status_.lines.value_or(0);
    const double step = (width() - 20) / 8.0;
    const QFont labels = label_font(font(), step);
    for (int bit = 0; bit < 8; ++bit) {
        const QPointF centre(10 + step * (bit + 0.5), 36);
        const bool on = !unknown && ((byte >> bit) & 1) != 0;
        const QColor base = kLeds[bit].color;
        if (unknown) {
            p.setBrush(QColor(70, 70, 70));
        } else if (on) {
            QRadialGradient glow(centre, 13);
            glow.setColorAt(0, Qt::white);
            glow.setColorAt(0.35, base.lighter(120));
            glow.setColorAt(1, base.darker(110));
            p.setBrush(glow);
        } else {
            p.setBrush(base.darker(420));
        }
        p.setPen(QPen(QColor(10, 10, 10), 1.5));
        p.drawEllipse(centre, 9, 9);
        if (unknown) {
            p.setPen(QColor(220, 220, 220));
            p.drawText(QRectF(centre.x() - 9, centre.y() - 9, 18, 18), Qt::AlignCenter, "?");
        }
        p.setPen(on ? base.lighter(130) : QColor(150, 150, 150));
        p.setFont(labels);
        p.drawText(QRectF(centre.x() - step / 2, 49, step, 14), Qt::AlignCenter, kLeds[bit].label);
    }

    const bool healthy = !has_status_ || status_.health == port::PortHealth::Ok ||
                         status_.health == port::PortHealth::Recovered;
    p.setPen(healthy ? QColor(120, 220, 130) : QColor(255, 120, 90));
    QFont line_font = font();
    line_font.setPointSizeF(line_font.pointSizeF() * 0.9);
    p.setFont(line_font);
    QString lines = unknown ? "lines ?" : QString("lines 0x%1").arg(byte, 2, 16, QChar('0'));
    if (has_status_ && !status_.lines && !unknown)
        lines = "nothing written yet";
    p.drawText(QRect(10, height() - 34, width() - 20, 14), Qt::AlignLeft | Qt::AlignVCenter,
               status_line());
    p.setPen(QColor(150, 150, 150));
    p.drawText(QRect(10, height() - 18, width() - 20, 14), Qt::AlignLeft | Qt::AlignVCenter, lines);
}

} // namespace dopplex::app
