#include "control_widgets.h"

#include "artwork.h"
#include "control_style.h"
#include "model_buttons.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace dopplex::app {

namespace {

QWidget* make_widget(const Control& control, const ControlStyle& style, QWidget* parent) {
    switch (control.kind()) {
    case ControlKind::Label: {
        auto* label = new QLabel(parent);
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, to_qcolor(*style.text_color));
        label->setPalette(p);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(control.name() == "l_st");
        if (control.name() == "l_dd") {
            label->setCursor(Qt::PointingHandCursor);
        }
        return label;
    }
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(parent);
        edit->setReadOnly(!style.editable);
        set_colors(edit, to_qcolor(*style.back_color), to_qcolor(*style.text_color));
        return edit;
    }
    case ControlKind::Memo: {
        auto* memo = new QPlainTextEdit(parent);
        memo->setReadOnly(true);
        memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        set_colors(memo, to_qcolor(*style.back_color), to_qcolor(*style.text_color));
        return memo;
    }
    case ControlKind::Button:
        return new QPushButton(parent);
    case ControlKind::SpeedButton: {
        auto* button = new QPushButton(parent);
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus); // a speed button never takes the focus
        return button;
    }
    case ControlKind::CheckBox:
        return new ModelCheckBox(parent);
    case ControlKind::RadioButton:
        return new ModelRadioButton(parent);
    }
    return nullptr;
}

} // namespace

QColor to_qcolor(std::uint32_t color, const QColor& window_text) {
    if (color == kClWindowText) {
        return window_text;
    }
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

void set_colors(QWidget* w, const QColor& base, const QColor& text) {
    QPalette p = w->palette();
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::Text, text);
    w->setPalette(p);
}

void make_bold(QWidget* w) {
    QFont f = w->font();
    f.setBold(true);
    w->setFont(f);
}

void set_text_colour(QWidget* w, std::uint32_t color) {
    w->setStyleSheet("color: " + to_qcolor(color).name() + ";");
}

void place(QWidget* w, const Rect& where) {
    w->setGeometry(where.x, where.y, where.w, where.h);
}

QWidget* make_control_widget(const Control& control, QWidget* parent) {
    const ControlStyle style = control_style(control);
    QWidget* w = make_widget(control, style, parent);
    for (const Placement& p : control_placements()) {
        if (p.name == control.name()) {
            w->setGeometry(p.x, p.y, p.w, p.h);
        }
    }
    if (style.bold) {
        make_bold(w);
    }
    if (const std::string_view hint = key_hint(control.name()); !hint.empty()) {
        w->setToolTip(QString::fromUtf8(hint.data(), static_cast<qsizetype>(hint.size())));
    }
    return w;
}

void add_pictures(QWidget* parent) {
    auto* tracking = new QFrame(parent);
    tracking->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    place(tracking, kTrackingFrame);
    place(new QGroupBox(q(std::string(kStepFrameTitle)), parent), kStepFrame);
    place(new Banner(parent), kBanner);
    place(new SatelliteDrawing(true, parent), kRxSatellite);
    place(new SatelliteDrawing(false, parent), kTxSatellite);
}

void add_captions(QWidget* parent) {
    for (const Caption& c : captions()) {
        auto* label = new QLabel(q(std::string(c.text)), parent);
        label->setGeometry(c.x, c.y, c.w, c.h);
        label->setAlignment((c.right_aligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
        const ControlStyle style = caption_style(c.style);
        if (style.bold) {
            make_bold(label);
        }
        if (style.text_color) {
            set_text_colour(label, *style.text_color);
        }
    }
}

} // namespace dopplex::app
