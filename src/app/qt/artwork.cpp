#include "artwork.h"

#include "window_layout.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>

namespace dopplex::app {

namespace {

QLinearGradient night_sky(const QRectF& r, QColor top, QColor bottom) {
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0, top);
    sky.setColorAt(1, bottom);
    return sky;
}

QString to_qstring(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void draw_satellite(QPainter& p, QPointF centre, double scale, double angle_deg) {
    p.save();
    p.translate(centre);
    p.rotate(angle_deg);
    p.scale(scale, scale);
    p.setPen(QPen(QColor(30, 40, 60), 0.8));
    // Solar wings with their cells.
    for (int side : {-1, 1}) {
        const QRectF wing(side < 0 ? -26 : 8, -5, 18, 10);
        p.setBrush(QColor(40, 70, 160));
        p.drawRect(wing);
        p.setPen(QPen(QColor(120, 160, 230), 0.5));
        for (int i = 1; i < 3; ++i) {
            p.drawLine(QPointF(wing.left() + i * 6, wing.top()),
                       QPointF(wing.left() + i * 6, wing.bottom()));
        }
        p.drawLine(QPointF(wing.left(), 0), QPointF(wing.right(), 0));
        p.setPen(QPen(QColor(30, 40, 60), 0.8));
        p.drawLine(QPointF(side * 8, 0), QPointF(side * 6, 0));
    }
    QLinearGradient body(-6, -7, 6, 7);
    body.setColorAt(0, QColor(235, 215, 140));
    body.setColorAt(1, QColor(170, 140, 60));
    p.setBrush(body);
    p.drawRect(QRectF(-6, -7, 12, 14));
    // Antenna and dish.
    p.drawLine(QPointF(0, 7), QPointF(0, 12));
    p.setBrush(QColor(220, 220, 225));
    p.drawChord(QRectF(-5, 10, 10, 6), 0, 180 * 16);
    p.restore();
}

constexpr Qt::Alignment kBannerAlignment = Qt::AlignLeft | Qt::AlignVCenter;

struct BannerLine {
    QString text;
    QFont font;
    QColor color;
    QRectF box;
};

// Where a banner line's letters are, within its box.
QRectF ink(const BannerLine& line) {
    return QFontMetricsF(line.font).boundingRect(line.box, kBannerAlignment, line.text);
}

} // namespace

void Banner::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();

    QFont title = font();
    title.setPointSize(30);
    title.setBold(true);
    title.setItalic(true);
    QFont heading = font();
    heading.setPointSizeF(heading.pointSizeF() * 1.05);
    heading.setBold(true);
    QFont plain = heading;
    plain.setBold(false);
    const std::array<BannerLine, 3> lines{{
        {to_qstring(kBannerLines[0]), title, QColor(255, 215, 80), QRectF(18, 12, r.width(), 56)},
        {to_qstring(kBannerLines[1]), heading, QColor(210, 225, 255),
         QRectF(20, 68, r.width() - 30, 18)},
        {to_qstring(kBannerLines[2]), plain, QColor(160, 185, 230),
         QRectF(20, 86, r.width() - 30, 18)},
    }};

    p.fillRect(r, night_sky(r, QColor(6, 12, 40), QColor(24, 52, 110)));

    // A fixed scatter of stars, the same at every paint, none behind the words.
    p.setPen(Qt::NoPen);
    unsigned seed = 12345;
    for (int i = 0; i < 60; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double x = (seed >> 8) % static_cast<unsigned>(r.width());
        seed = seed * 1103515245u + 12345u;
        const double y = (seed >> 8) % static_cast<unsigned>(r.height() * 0.7);
        const int level = 120 + static_cast<int>((seed >> 4) % 135);
        const bool behind_words = std::any_of(lines.begin(), lines.end(), [&](const auto& line) {
            return ink(line).adjusted(-3, -3, 3, 3).contains(x, y);
        });
        if (behind_words) {
            continue;
        }
        p.setBrush(QColor(level, level, 255));
        p.drawEllipse(QPointF(x, y), 0.8, 0.8);
    }

    // The Earth's limb and an orbit arc with the satellite on it.
    p.setBrush(QColor(20, 90, 140));
    p.setPen(QPen(QColor(110, 190, 240), 1.5));
    p.drawEllipse(QPointF(r.width() * 0.5, r.height() + 260), 330, 290);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 210, 90, 170), 1.2, Qt::DashLine));
    p.drawArc(QRectF(-40, 28, r.width() + 80, 260), 20 * 16, 140 * 16);
    draw_satellite(p, QPointF(r.width() * 0.80, 46), 1.1, -18);

    // Doppler waves from the satellite towards the ground station.
    p.setPen(QPen(QColor(255, 210, 90, 150), 1.2));
    for (int i = 1; i <= 3; ++i) {
        p.drawArc(QRectF(r.width() * 0.80 - 8 * i, 60 - 8 * i + 10, 16 * i, 16 * i), 200 * 16,
                  80 * 16);
    }

    // The title casts a shadow.
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 140));
    p.drawText(lines[0].box.translated(2, 2), kBannerAlignment, lines[0].text);
    for (const BannerLine& line : lines) {
        p.setFont(line.font);
        p.setPen(line.color);
        p.drawText(line.box, kBannerAlignment, line.text);
    }

    p.setPen(QPen(QColor(120, 140, 180), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
}

void SatelliteDrawing::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    p.setPen(QPen(QColor(90, 100, 130), 1));
    p.setBrush(night_sky(r, QColor(10, 18, 48), QColor(30, 60, 120)));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    draw_satellite(p, QPointF(r.width() / 2, 24), 1.0, downlink_ ? 12 : -12);

    // The ground station's mast and the link's direction.
    const double base = r.height() - 10;
    p.setPen(QPen(QColor(200, 200, 210), 1.4));
    p.drawLine(QPointF(r.width() / 2, base), QPointF(r.width() / 2, base - 16));
    p.drawLine(QPointF(r.width() / 2 - 8, base - 12), QPointF(r.width() / 2 + 8, base - 12));
    p.drawLine(QPointF(r.width() / 2 - 5, base), QPointF(r.width() / 2 + 5, base));
    const QColor arrow = downlink_ ? QColor(250, 220, 30) : QColor(230, 60, 50);
    p.setPen(QPen(arrow, 1.6));
    const double top = 44, bottom = base - 22;
    p.drawLine(QPointF(r.width() / 2, top), QPointF(r.width() / 2, bottom));
    const double tip = downlink_ ? bottom : top;
    const double back = downlink_ ? -5 : 5;
    p.drawLine(QPointF(r.width() / 2, tip), QPointF(r.width() / 2 - 4, tip + back));
    p.drawLine(QPointF(r.width() / 2, tip), QPointF(r.width() / 2 + 4, tip + back));
    QFont f = font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 0.85);
    p.setFont(f);
    p.drawText(QRectF(6, base - 14, 24, 14), Qt::AlignLeft, downlink_ ? "RX" : "TX");
}

} // namespace dopplex::app
