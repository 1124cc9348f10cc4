// The tooltips of a window's children, all on one tooltip control that the window owns.
// UI thread.
#pragma once

#include <windows.h>

#include <string>

namespace dopplex::app::win32 {

class Tooltips {
public:
    Tooltips(HWND owner, HINSTANCE instance, int max_width);
    // The child's tooltip from now on; empty: none.
    void set(HWND control, const std::string& text);

private:
    HWND owner_;
    HWND tips_;
};

} // namespace dopplex::app::win32
