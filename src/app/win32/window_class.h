// What the main and the help window share as windows: their class, registered once with the
// program's icon, and the procedure that hands every message to the view object given to
// CreateWindowExW. A view has adopt(HWND), called at WM_NCCREATE, and handle(message, w, l).
#pragma once

#include <windows.h>

namespace dopplex::app::win32 {

// Registers the class once per name; later calls do nothing.
void register_window_class(HINSTANCE instance, const wchar_t* name, WNDPROC procedure);

// After a move to a monitor of another scale: the window takes the place Windows suggests.
void take_suggested_place(HWND window, LPARAM suggested_rect);

template <typename View>
LRESULT CALLBACK view_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        auto* view = static_cast<View*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
        view->adopt(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
    }
    auto* view = reinterpret_cast<View*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return view ? view->handle(message, w, l) : DefWindowProcW(window, message, w, l);
}

} // namespace dopplex::app::win32
