#include "loop_panel_widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include <iostream>
#include <utility>

namespace dopplex::app {

namespace {

QString q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

LoopPanelWidgets::LoopPanelWidgets(QWidget& parent, EngineSession& session)
    : QObject(&parent),
      feed_(
          session,
          [self = QPointer<LoopPanelWidgets>(this)](const LoopPanelView& view) {
              QMetaObject::invokeMethod(
                  self, [self, view] { self->show(view); }, Qt::QueuedConnection);
          },
          [](const std::string& problem) { std::cerr << "dopplex: " << problem << "\n"; }),
      view_(loop_panel_view(session.form())) {
    for (const LoopControl& control : loop_controls()) {
        build(parent, control);
    }
    show(view_);
}

void LoopPanelWidgets::build(QWidget& parent, const LoopControl& c) {
    QWidget* w = nullptr;
    const LoopField field = c.field;
    switch (c.widget) {
    case LoopWidget::Choice: {
        auto* caption = new QLabel(q(c.caption), &parent);
        caption->setGeometry(c.caption_x, c.y + 4, c.x - c.caption_x - 2, 16);
        auto* box = new QComboBox(&parent);
        connect(box, &QComboBox::currentIndexChanged, this, [this, field](int index) {
            if (!showing_) {
                feed_.post(loop_choose(view_, field, index));
            }
        });
        w = box;
        break;
    }
    case LoopWidget::Check: {
        auto* box = new QCheckBox(q(c.caption), &parent);
        connect(box, &QCheckBox::toggled, this, [this, field](bool on) {
            if (!showing_) {
                feed_.post(loop_check(field, on));
            }
        });
        w = box;
        break;
    }
    case LoopWidget::Action: {
        auto* button = new QPushButton(q(c.caption), &parent);
        button->setFocusPolicy(Qt::NoFocus); // Enter keeps going to the window's own buttons
        connect(button, &QPushButton::clicked, this,
                [this, field] { feed_.post(loop_click(field)); });
        w = button;
        break;
    }
    case LoopWidget::Readout: {
        auto* label = new QLabel(&parent);
        label->setWordWrap(true);
        w = label;
        break;
    }
    case LoopWidget::Entry: {
        auto* caption = new QLabel(q(c.caption), &parent);
        caption->setGeometry(c.caption_x, c.y + 4, c.x - c.caption_x - 2, 16);
        auto* line = new QLineEdit(q(loop_entry_text(view_, field)), &parent);
        // Enter and leaving the field apply it; words already in use ask nothing.
        connect(line, &QLineEdit::editingFinished, this, [this, field, line] {
            const std::string words = line->text().trimmed().toStdString();
            if (!showing_ && words != loop_entry_text(view_, field)) {
                feed_.enter(field, words);
            }
        });
        w = line;
        break;
    }
    }
    w->setGeometry(c.x, c.y, c.w, c.h);
    if (!c.hint.empty()) {
        w->setToolTip(q(c.hint));
    }
    widgets_[field] = w;
}

bool LoopPanelWidgets::is_entry(const QObject* object) const {
    for (const LoopControl& c : loop_controls()) {
        if (c.widget == LoopWidget::Entry && widgets_.at(c.field) == object) {
            return true;
        }
    }
    return false;
}

void LoopPanelWidgets::show(const LoopPanelView& view) {
    const LoopPanelView before = std::exchange(view_, view);
    showing_ = true;
    for (const LoopControl& c : loop_controls()) {
        QWidget* w = widgets_.at(c.field);
        w->setEnabled(loop_enabled(view, c.field));
        if (auto* box = qobject_cast<QComboBox*>(w)) {
            const LoopChoices choices = loop_choices(view, c.field);
            QStringList texts;
            for (const std::string& text : choices.texts) {
                texts << QString::fromStdString(text);
            }
            QStringList present;
            for (int i = 0; i < box->count(); ++i) {
                present << box->itemText(i);
            }
            if (present != texts) {
                box->clear();
                box->addItems(texts);
            }
            box->setCurrentIndex(choices.chosen);
        } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
            check->setChecked(loop_checked(view, c.field));
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            label->setText(QString::fromStdString(loop_readout(view, c.field)));
            if (c.hint.empty()) { // a long line is read whole in its tooltip
                label->setToolTip(label->text());
            }
        } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
            if (loop_entry_renewed(before, view, c.field)) {
                line->setText(QString::fromStdString(loop_entry_text(view, c.field)));
            }
        }
    }
    showing_ = false;
}

} // namespace dopplex::app
