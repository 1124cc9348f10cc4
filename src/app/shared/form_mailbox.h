// Carries the model's changes from the engine thread to a window's thread: each change is copied
// (a memo gets only its new line) and handed to the window in batches, one waiting at a time
// (mailbox.h). A text that changes again before the window took the last one replaces it in the
// batch, so a tracker flooding the engine with large texts costs one text per control, not a
// queue of them; every other change keeps its place and order. Also carries the port's status
// to the LED panel. Called on the engine thread; the view is touched only on its own thread.
// `View` has apply(ControlUpdate), follow_focus(name), show_train_progress(TrainProgress) and
// show_port_status(PortStatus).
#pragma once

#include "classic/form_observer.h"
#include "control_update.h"
#include "mailbox.h"
#include "port/supervised_port.h"

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace dopplex::app {

// The changes waiting for the window, in order.
struct FormBatch {
    struct FocusMove {
        std::string control_name;
    };
    using Item = std::variant<ControlUpdate, FocusMove, TrainProgress, port::PortStatus>;

    // A text replaces its control's text waiting here, in that one's place.
    void add(ControlUpdate update);

    std::vector<Item> items;
    std::map<std::string, std::size_t> text_at; // control name: its text's item
};

template <class View> class FormMailbox : public FormObserver, public port::PortStatusListener {
public:
    FormMailbox(MailboxSchedule schedule, View& view)
        : mailbox_(std::move(schedule), [&view](FormBatch& batch) {
              for (const FormBatch::Item& item : batch.items) {
                  if (const auto* update = std::get_if<ControlUpdate>(&item)) {
                      view.apply(*update);
                  } else if (const auto* move = std::get_if<FormBatch::FocusMove>(&item)) {
                      view.follow_focus(move->control_name);
                  } else if (const auto* progress = std::get_if<TrainProgress>(&item)) {
                      view.show_train_progress(*progress);
                  } else {
                      view.show_port_status(std::get<port::PortStatus>(item));
                  }
              }
          }) {}

    void control_changed(const Control& control, Change what) override {
        mailbox_.post([update = snapshot(control, what)](FormBatch& batch) mutable {
            batch.add(std::move(update));
        });
    }
    void focus_moved(const std::string& control_name) override {
        mailbox_.post([&](FormBatch& batch) {
            batch.items.emplace_back(FormBatch::FocusMove{control_name});
        });
    }
    void train_progress(const TrainProgress& progress) override {
        mailbox_.post([&](FormBatch& batch) { batch.items.emplace_back(progress); });
    }
    void port_status_changed(const port::PortStatus& status) override {
        mailbox_.post([&](FormBatch& batch) { batch.items.emplace_back(status); });
    }

private:
    Mailbox<FormBatch> mailbox_;
};

} // namespace dopplex::app
