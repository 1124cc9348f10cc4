#include "led_panel.h"

#include "led_legend.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>

namespace dopplex::app {

namespace {

QColor to_qcolor(std::uint32_t rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// The labels' font, small enough that the widest label leaves a gap to its neighbours.
QFont label_font(QFont font, double column_width) {
    font.setPointSizeF(font.pointSizeF() * 0.85);
    double widest = 0;
    for (const LedLegend& led : kLedLegend) {
        widest = std::max(widest, QFontMetricsF(font).horizontalAdvance(led.label));
    }
    const double room = column_width - 6;
    if (widest > room) {
        font.setPointSizeF(font.pointSizeF() * room / widest);
    }
    return font;
}

} // namespace

LedPanel::LedPanel(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LedPanel::set_status(const port::PortStatus& status) {
    if (has_status_ && status == status_) {
        return;
    }
    status_ = status;
    has_status_ = true;
    setToolTip(QString::fromStdString(status.message));
    update();
}

QString LedPanel::status_line() const {
    return QString::fromStdString(port_status_line(has_status_ ? &status_ : nullptr));
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
    p.drawText(QRect(10, 4, width() - 20, 16), Qt::AlignLeft | Qt::AlignVCenter, kLedPanelTitle);

    const port::PortStatus* shown = has_status_ ? &status_ : nullptr;
    const bool unknown = lines_unknown(shown);
    const int byte = status_.lines.value_or(0);
    const double step = (width() - 20) / 8.0;
    const QFont labels = label_font(font(), step);
    for (int bit = 0; bit < 8; ++bit) {
        const QPointF centre(10 + step * (bit + 0.5), 36);
        const bool on = !unknown && ((byte >> bit) & 1) != 0;
        const QColor base = to_qcolor(kLedLegend[bit].rgb);
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
        p.drawText(QRectF(centre.x() - step / 2, 49, step, 14), Qt::AlignCenter,
                   kLedLegend[bit].label);
    }

    p.setPen(port_healthy(shown) ? QColor(120, 220, 130) : QColor(255, 120, 90));
    QFont line_font = font();
    line_font.setPointSizeF(line_font.pointSizeF() * 0.9);
    p.setFont(line_font);
    // Two rows for the port, so that a fault's words are never cut; the byte sits by the title.
    p.drawText(QRect(10, height() - 34, width() - 20, 30),
               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, status_line());
    p.setPen(QColor(150, 150, 150));
    p.drawText(QRect(10, 4, width() - 20, 16), Qt::AlignRight | Qt::AlignVCenter,
               QString::fromStdString(lines_text(shown)));
}

} // namespace dopplex::app
