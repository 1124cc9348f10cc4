// THelpf1: the help window's model. Owns the caption, whether the window is shown and the guide
// its memo holds; one object for the whole run, created hidden at start-up and never destroyed
// before the end. The main window's "Help" (Button6Click) calls Show; the window's own "OKay"
// and its close box hide it. Called on one thread, the observer synchronously on the same
// thread. Raises nothing.
#pragma once

#include <functional>
#include <string_view>
#include <utility>

namespace dopplex {

class THelpf1 {
public:
    static constexpr std::string_view kCaption = "Help";
    static constexpr std::string_view kOkayCaption = "OKay"; // buOKay

    // Told true after every Show (a view brings an already shown window to the front) and
    // false when a hide made a shown window hidden.
    using VisibilityObserver = std::function<void(bool visible)>;

    THelpf1() = default;
    THelpf1(const THelpf1&) = delete;
    THelpf1& operator=(const THelpf1&) = delete;

    std::string_view caption() const { return kCaption; }
    bool visible() const { return visible_; }
    // The read-only text of Memo1.
    std::string_view guide() const;
    void set_observer(VisibilityObserver observer) { observer_ = std::move(observer); }

    // Shows the window, not modal. Showing it again keeps the one window.
    void Show();
    void buOKayClick();
    // The title-bar close box: hides only, so the next Show finds the same window.
    void close_box();

private:
    void hide();

    bool visible_ = false;
    VisibilityObserver observer_;
};

} // namespace dopplex
