// Carries the model's changes from the engine thread to the GUI thread: each change is copied
// (a memo gets only its new line) and queued to the window, so a long pulse train costs one
// small event per line. Also carries the port's status to the LED panel. Called on the engine
// thread; the window is touched only on the GUI thread.
#pragma once

#include "console/form_observer.h"
#include "control_update.h"
#include "port/supervised_port.h"

#include <QPointer>

namespace dopplex::app {

class MainWindow;

class FormBridge final : public FormObserver, public port::PortStatusListener {
public:
    explicit FormBridge(MainWindow& window) : window_(&window) {}

    void control_changed(const Control& control, Change what) override;
    void focus_moved(const std::string& control_name) override;
    void train_progress(const TrainProgress& progress) override;
    void port_status_changed(const port::PortStatus& status) override;

private:
    QPointer<MainWindow> window_;
};

} // namespace dopplex::app
