// The Qt widgets of the shared layout that need no window state: one widget per model control
// in its kind, place and style, the pictures and captions around them, and the colour helpers
// both use. GUI thread.
#pragma once

#include "classic/controls/control.h"
#include "window_layout.h"

#include <QColor>
#include <QString>

#include <cstdint>
#include <string>

class QWidget;

namespace dopplex::app {

inline QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// The model's colours are 0x00BBGGRR; the window-text colour is the palette's.
QColor to_qcolor(std::uint32_t color, const QColor& window_text = Qt::black);
// An edit's or a log's colours: its text on its base.
void set_colors(QWidget* w, const QColor& base, const QColor& text);
void make_bold(QWidget* w);
void set_text_colour(QWidget* w, std::uint32_t color);
void place(QWidget* w, const Rect& where);

// The control's widget at its place, with its style and key hint, empty.
QWidget* make_control_widget(const Control& control, QWidget* parent);
// The frames, the banner and the two satellites; the captions.
void add_pictures(QWidget* parent);
void add_captions(QWidget* parent);

} // namespace dopplex::app
