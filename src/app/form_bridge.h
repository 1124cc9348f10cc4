// Carries the model's changes from the engine thread to the GUI thread: each change is copied
// (a memo gets only its new line) and handed to the window in batches, one waiting at a time.
// A text that changes again before the window took the last one replaces it in the batch, so a
// tracker flooding the engine with large texts costs one text per control, not a queue of them;
// every other change keeps its place and order. Also carries the port's status to the LED
// panel. Called on the engine thread; the window is touched only on the GUI thread.
#pragma once

#include "console/form_observer.h"
#include "control_update.h"
#include "gui_mailbox.h"
#include "port/supervised_port.h"

#include <map>
#include <string>
#include <variant>
#include <vector>

namespace dopplex::app {

class MainWindow;

class FormBridge final : public FormObserver, public port::PortStatusListener {
public:
    explicit FormBridge(MainWindow& window);

    void control_changed(const Control& control, Change what) override;
    void focus_moved(const std::string& control_name) override;
    void train_progress(const TrainProgress& progress) override;
    void port_status_changed(const port::PortStatus& status) override;

private:
    struct FocusMove {
        std::string control_name;
    };
    using Item = std::variant<ControlUpdate, FocusMove, TrainProgress, port::PortStatus>;
    struct Batch {
        std::vector<Item> items;
        std::map<std::string, std::size_t> text_at; // control name: its text's item
    };
    static void deliver(MainWindow& window, Batch& batch);

    GuiMailbox<Batch> mailbox_;
};

} // namespace dopplex::app
