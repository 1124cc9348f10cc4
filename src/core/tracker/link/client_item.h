// One item of a client conversation (the tracker's "TrackingDataEx"): owns the last received
// text and the item's OnChange callback. Filled and raised by ClientConversation on the engine
// thread; read by the window's change handler through Text().
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace dopplex {

class ClientItem {
public:
    explicit ClientItem(std::string dde_item) : dde_item_(std::move(dde_item)) {}

    const std::string& DdeItem() const { return dde_item_; }
    // The first line of the last received text, or the empty text when there is none.
    std::string Text() const { return lines_.empty() ? std::string() : lines_.front(); }
    const std::vector<std::string>& Lines() const { return lines_; }

    // Raised after each fetch (with data or keeping the previous text) and when the link
    // cannot deliver the item (then Text() is empty).
    std::function<void()> OnChange;

    // For the conversation: forget the text.
    void clear() { lines_.clear(); }
    // For the conversation: the received bytes up to the first NUL; control codes 1..31 become
    // spaces; an empty text keeps the previous one.
    void take_received(const std::string& bytes);
    void raise_change() const;
    // A delivery without a transport (scenarios, tests, benchmarks): as a fetch that got
    // `bytes`, then OnChange.
    void receive(const std::string& bytes) {
        take_received(bytes);
        raise_change();
    }

private:
    std::string dde_item_;
    std::vector<std::string> lines_;
};

} // namespace dopplex
