// Carries the model's changes from the engine thread to the main window's thread: each change
// is copied (a memo gets only its new line) and posted as a window message, so a long pulse
// train costs one small message per line. Also carries the port's status to the LED panel.
// Called on the engine thread; the view is touched only on its own thread.
#pragma once

#include "console/form_observer.h"
#include "port/supervised_port.h"

namespace dopplex::app::win32 {

class MainView;

class ViewBridge final : public FormObserver, public port::PortStatusListener {
public:
    explicit ViewBridge(MainView& view) : view_(view) {}

    void control_changed(const Control& control, Change what) override;
    void focus_moved(const std::string& control_name) override;
    void train_progress(const TrainProgress& progress) override;
    void port_status_changed(const port::PortStatus& status) override;

private:
    MainView& view_;
};

} // namespace dopplex::app::win32
