#include "form_bridge.h"

#include "main_window.h"

namespace dopplex::app {

namespace {

template <class... Ts> struct Overloaded : Ts... { using Ts::operator()...; };

} // namespace

FormBridge::FormBridge(MainWindow& window)
    : mailbox_(&window, [&window](Batch& batch) { deliver(window, batch); }) {}

void FormBridge::deliver(MainWindow& window, Batch& batch) {
    for (const Item& item : batch.items)
        std::visit(Overloaded{
                       [&](const ControlUpdate& update) { window.apply(update); },
                       [&](const FocusMove& move) { window.follow_focus(move.control_name); },
                       [&](const TrainProgress& progress) { window.show_train_progress(progress); },
                       [&](const port::PortStatus& status) { window.show_port_status(status); },
                   },
                   item);
}

void FormBridge::control_changed(const Control& control, Change what) {
    mailbox_.post([update = snapshot(control, what)](Batch& batch) mutable {
        if (update.what == Change::Text) {
            const auto [at, added] = batch.text_at.try_emplace(update.name, batch.items.size());
            if (!added) {
                batch.items[at->second] = std::move(update);
                return;
            }
        }
        batch.items.emplace_back(std::move(update));
    });
}

void FormBridge::focus_moved(const std::string& control_name) {
    mailbox_.post([&](Batch& batch) { batch.items.emplace_back(FocusMove{control_name}); });
}

void FormBridge::train_progress(const TrainProgress& progress) {
    mailbox_.post([&](Batch& batch) { batch.items.emplace_back(progress); });
}

void FormBridge::port_status_changed(const port::PortStatus& status) {
    mailbox_.post([&](Batch& batch) { batch.items.emplace_back(status); });
}

} // namespace dopplex::app
