// Work handed to a window's thread: each call is copied to the heap and posted as a window
// message, so nothing is lost while a modal box runs its own loop, and it is freed on the
// window's thread once run. Calls still queued when the window ends are freed by drain().
#pragma once

#include "mailbox.h"

#include <windows.h>

#include <functional>
#include <utility>

namespace dopplex::app::win32 {

inline constexpr UINT kPostedCallMessage = WM_APP + 1;

// Any thread. False when the window is gone; the call is then freed here, unrun.
bool post_call(HWND window, std::function<void()> call);
// A mailbox's way to the window's thread (mailbox.h).
inline MailboxSchedule posting_to(HWND window) {
    return [window](std::function<void()> call) { return post_call(window, std::move(call)); };
}
// The window's procedure, on kPostedCallMessage: runs the call and frees it.
void run_posted_call(LPARAM call);
// The window's thread, once no thread posts any more: frees every call still queued, unrun.
void drain_posted_calls(HWND window);

} // namespace dopplex::app::win32
