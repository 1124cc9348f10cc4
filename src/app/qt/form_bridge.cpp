#include "form_bridge.h"

#include "main_window.h"

#include <QMetaObject>

namespace dopplex::app {

void FormBridge::control_changed(const Control& control, Change what) {
    QMetaObject::invokeMethod(
        window_, [window = window_, update = snapshot(control, what)] { window->apply(update); },
        Qt::QueuedConnection);
}

void FormBridge::focus_moved(const std::string& control_name) {
    QMetaObject::invokeMethod(
        window_, [window = window_, control_name] { window->follow_focus(control_name); },
        Qt::QueuedConnection);
}

void FormBridge::train_progress(const TrainProgress& progress) {
    QMetaObject::invokeMethod(
        window_, [window = window_, progress] { window->show_train_progress(progress); },
        Qt::QueuedConnection);
}

void FormBridge::port_status_changed(const port::PortStatus& status) {
    QMetaObject::invokeMethod(
        window_, [window = window_, status] { window->show_port_status(status); },
        Qt::QueuedConnection);
}

} // namespace dopplex::app
