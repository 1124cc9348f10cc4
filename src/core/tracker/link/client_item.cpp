#include "tracker/link/client_item.h"

namespace dopplex {

void ClientItem::take_received(const std::string& bytes) {
    std::string text = bytes.substr(0, bytes.find('\0'));
    if (text.empty()) {
        return;
    }
    for (char& c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code >= 1 && code <= 31) {
            c = ' ';
        }
    }
    lines_.assign(1, std::move(text));
}

void ClientItem::raise_change() const {
    if (OnChange) {
        OnChange();
    }
}

} // namespace dopplex
