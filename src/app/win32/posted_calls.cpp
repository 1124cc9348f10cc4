#include "posted_calls.h"

#include <memory>

namespace dopplex::app::win32 {

using Call = std::function<void()>;

bool post_call(HWND window, Call call) {
    auto owned = std::make_unique<Call>(std::move(call));
    const auto parameter = reinterpret_cast<LPARAM>(owned.get());
    while (!PostMessageW(window, kPostedCallMessage, 0, parameter)) {
        // A full queue empties as the window's thread runs; a window that is gone never does.
        if (GetLastError() != ERROR_NOT_ENOUGH_QUOTA || !IsWindow(window)) {
            return false;
        }
        Sleep(1);
    }
    owned.release(); // the window's thread owns it now
    return true;
}

void run_posted_call(LPARAM call) {
    const std::unique_ptr<Call> owned(reinterpret_cast<Call*>(call));
    if (*owned) {
        (*owned)();
    }
}

void drain_posted_calls(HWND window) {
    MSG message;
    while (PeekMessageW(&message, window, kPostedCallMessage, kPostedCallMessage, PM_REMOVE)) {
        delete reinterpret_cast<Call*>(message.lParam);
    }
}

} // namespace dopplex::app::win32
