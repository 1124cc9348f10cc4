// dopplex.exe: the Win32 window over the engine.
#include "command_line.h"
#include "display.h"
#include "dopplex_version.h"
#include "engine_session.h"
#include "port/port_spec.h"
#include "port_notice.h"
#include "tracker_link.h"
#include "wide_text.h"
#include "window_shell.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>
#include <exception>
#include <memory>

namespace {

using namespace dopplex;

std::optional<std::string> environment(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return std::nullopt;
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), size));
    return app::win32::to_utf8(value);
}

bool write_all(HANDLE handle, const std::string& text) {
    DWORD written = 0;
    return handle && handle != INVALID_HANDLE_VALUE &&
           WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

// Text for the operator: on the standard output or error when there is one, else on the console
// the program was started from, else in a message box.
void tell(const std::string& text, bool error) {
    if (write_all(GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE), text))
        return;
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        HANDLE console = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
        const std::wstring wide = app::win32::to_wide(text, true);
        DWORD written = 0;
        const bool done =
            console != INVALID_HANDLE_VALUE &&
            WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        if (console != INVALID_HANDLE_VALUE)
            CloseHandle(console);
        if (done)
            return;
    }
    MessageBoxW(nullptr, app::win32::to_wide(text, true).c_str(), L"Dopplex",
                (error ? MB_ICONSTOP : MB_ICONINFORMATION) | MB_OK);
}

// The port --help names: the library port is tried, so that a missing DLL shows there already.
std::string port_for_help(port::PortBackend& backend, const port::PortSpec& spec) {
    if (spec.kind != port::PortKind::InpOut)
        return backend.description();
    try {
        backend.open();
        backend.close();
        return backend.description();
    } catch (const std::exception& error) {
        // What failed, without the remedy that the default's line above already gives.
        const std::string what = error.what();
        return "virtual, since " + what.substr(0, what.find(": "));
    }
}

std::vector<std::string> arguments() {
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> out;
    for (int i = 1; words && i < count; ++i)
        out.push_back(app::win32::to_utf8(words[i]));
    LocalFree(words);
    return out;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const app::CommandLine line = app::parse_command_line(arguments());
    if (!line.error.empty()) {
        tell("dopplex: " + line.error + "\n" + app::usage_text("(not chosen)"), true);
        return 2;
    }
    if (line.version) {
        tell(std::string("dopplex ") + kVersion + "\n", false);
        return 0;
    }
    std::unique_ptr<port::PortBackend> backend;
    port::PortSpec spec;
    try {
        // Without a choice the port is InpOut32's library; the virtual one when it is unusable.
        spec = port::choose_port_spec(line.port, environment(L"DOPPLEX_PORT"), false);
        backend = port::make_port_backend(spec);
    } catch (const port::PortSpecError& error) {
        tell(std::string("dopplex: ") + error.what() + "\n", true);
        return 2;
    }
    if (line.help) {
        tell(app::usage_text(port_for_help(*backend, spec)), false);
        return 0;
    }

    app::win32::enable_dpi_awareness();
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    try {
        const std::unique_ptr<app::win32::TrackerLink> link = app::win32::make_tracker_link();
        app::EngineSession session(std::move(backend));
        if (spec.kind == port::PortKind::InpOut)
            session.set_open_fault_report(app::win32::first_port_notice);
        session.form().attach_link(link->services());
        app::win32::WindowShell shell(session, instance);
        link->set_reason_listener(
            [&shell](const std::string& reason) { shell.show_link_reason(reason); });
        return shell.run();
    } catch (const std::exception& error) {
        tell(std::string("dopplex: ") + error.what() + "\n", true);
        return 1;
    }
}
