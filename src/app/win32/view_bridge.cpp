#include "view_bridge.h"

#include "main_view.h"
#include "posted_calls.h"

namespace dopplex::app::win32 {

void ViewBridge::control_changed(const Control& control, Change what) {
    post_call(view_.window(),
              [&view = view_, update = snapshot(control, what)] { view.apply(update); });
}

void ViewBridge::focus_moved(const std::string& control_name) {
    post_call(view_.window(), [&view = view_, control_name] { view.follow_focus(control_name); });
}

void ViewBridge::train_progress(const TrainProgress& progress) {
    post_call(view_.window(), [&view = view_, progress] { view.show_train_progress(progress); });
}

void ViewBridge::port_status_changed(const port::PortStatus& status) {
    post_call(view_.window(), [&view = view_, status] { view.show_port_status(status); });
}

} // namespace dopplex::app::win32
