// The closed loop's controls in the Qt window: the shared table drawn as combo boxes, a check
// box, a button, readouts and the radios' entries, showing the loop's view and posting the
// operator's choices through the feed. GUI thread, but for the feed's sink.
#pragma once

#include "loop_feed.h"
#include "loop_panel.h"

#include <QObject>

#include <map>

class QWidget;

namespace dopplex::app {

class EngineSession;

class LoopPanelWidgets final : public QObject {
    Q_OBJECT
public:
    // Builds the controls on `parent` from the model as it is; before the engine starts.
    LoopPanelWidgets(QWidget& parent, EngineSession& session);

    LoopFeed& feed() { return feed_; }
    // The widget of a field (a QComboBox, QCheckBox, QPushButton, QLabel or QLineEdit).
    QWidget* widget(LoopField field) const { return widgets_.at(field); }
    // Whether `object` is one of the entries, whose keys are the typing's.
    bool is_entry(const QObject* object) const;
    void show(const LoopPanelView& view);

private:
    void build(QWidget& parent, const LoopControl& control);

    LoopFeed feed_;
    LoopPanelView view_;
    std::map<LoopField, QWidget*> widgets_;
    bool showing_ = false; // the view being shown, not the operator, changes the widgets
};

} // namespace dopplex::app
