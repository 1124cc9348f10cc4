#include "launcher/win_launcher.h"

#include <windows.h>

#include <vector>

namespace dopplex::launch {

namespace {

constexpr int kLaunched = 33;
constexpr DWORD kPollMs = 20;

// WinExec's numbering of CreateProcess's failures.
int winexec_code(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_ACCESS_DENIED:
        return static_cast<int>(error);
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return 0;
    default:
        return ERROR_BAD_FORMAT;
    }
}

} // namespace

WinLauncher::WinLauncher(std::function<bool()> ready, std::chrono::milliseconds ready_timeout)
    : ready_(std::move(ready)), ready_timeout_(ready_timeout) {}

int WinLauncher::launch(const std::string& command_line) {
    // CreateProcessA may write into the command line.
    std::vector<char> buffer(command_line.begin(), command_line.end());
    buffer.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINNOACTIVE;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return winexec_code(GetLastError());
    }
    CloseHandle(process.hThread);
    last_process_id_ = process.dwProcessId;
    const auto deadline = std::chrono::steady_clock::now() + ready_timeout_;
    // WinExec's own wait; a console program (the stand-in tracker) has none, hence ready_.
    WaitForInputIdle(process.hProcess, static_cast<DWORD>(ready_timeout_.count()));
    while (!(ready_ && ready_()) && std::chrono::steady_clock::now() < deadline &&
           WaitForSingleObject(process.hProcess, kPollMs) == WAIT_TIMEOUT) {
    }
    CloseHandle(process.hProcess);
    return kLaunched;
}

} // namespace dopplex::launch
