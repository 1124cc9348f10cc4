// The help window in the Win32 API: a view of THelpf1 (the built-in guide, shown and hidden by
// the model's rules). Always on top and resizable, first wide enough for the guide's lines,
// read-only guide text and an "OKay" button; the close box only hides. UI thread only.
#pragma once

#include "classic/help/thelpf1.h"
#include "display.h"

#include <windows.h>

#include <memory>

namespace dopplex::app::win32 {

class HelpView {
public:
    explicit HelpView(HINSTANCE instance);
    ~HelpView();
    HelpView(const HelpView&) = delete;
    HelpView& operator=(const HelpView&) = delete;

    HWND window() const { return window_; }
    void show_help() { model_.Show(); }
    void hide() { model_.buOKayClick(); }

    // The window procedure's (window_class.h).
    void adopt(HWND window) { window_ = window; }
    LRESULT handle(UINT message, WPARAM w, LPARAM l);

private:
    void layout();
    SIZE first_size() const;

    THelpf1 model_;
    HWND window_ = nullptr;
    HWND text_ = nullptr;
    HWND okay_ = nullptr;
    UINT dpi_ = 96;
    std::unique_ptr<Fonts> fonts_;
};

} // namespace dopplex::app::win32
