#include "stop_signal.h"

#include <windows.h>

#include <stdexcept>

namespace dopplex::tracker {

namespace {

// The console handler has no context argument.
HANDLE stop_event = nullptr;

BOOL WINAPI on_console_event(DWORD) {
    SetEvent(stop_event);
    return TRUE;
}

} // namespace

StopSignal::StopSignal() {
    stop_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (stop_event == nullptr || !SetConsoleCtrlHandler(&on_console_event, TRUE)) {
        throw std::runtime_error("cannot wait for Ctrl-C");
    }
}

StopSignal::~StopSignal() {
    SetConsoleCtrlHandler(&on_console_event, FALSE);
    CloseHandle(stop_event);
    stop_event = nullptr;
}

bool StopSignal::wait_for(std::chrono::nanoseconds wait) {
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait).count();
    return WaitForSingleObject(stop_event, static_cast<DWORD>(ms > 0 ? ms : 0)) == WAIT_OBJECT_0;
}

} // namespace dopplex::tracker
