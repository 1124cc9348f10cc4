#include "form_mailbox.h"

namespace dopplex::app {

void FormBatch::add(ControlUpdate update) {
    if (update.what == Change::Text) {
        const auto [at, added] = text_at.try_emplace(update.name, items.size());
        if (!added) {
            items[at->second] = std::move(update);
            return;
        }
    }
    items.emplace_back(std::move(update));
}

} // namespace dopplex::app
