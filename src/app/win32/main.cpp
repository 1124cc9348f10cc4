// dopplex.exe: the Win32 window over the engine.
#include "display.h"
#include "engine_session.h"
#include "port/port_spec.h"
#include "port_notice.h"
#include "posted_calls.h"
#include "start_up.h"
#include "tracker_link.h"
#include "tracking_settings.h"
#include "wide_text.h"
#include "window_shell.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>

namespace {

using namespace dopplex;

std::optional<std::string> environment(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        return std::nullopt;
    }
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
    if (write_all(GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE), text)) {
        return;
    }
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        HANDLE console = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
        const std::wstring wide = app::win32::to_wide(text, true);
        DWORD written = 0;
        const bool done =
            console != INVALID_HANDLE_VALUE &&
            WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        if (console != INVALID_HANDLE_VALUE) {
            CloseHandle(console);
        }
        if (done) {
            return;
        }
    }
    MessageBoxW(nullptr, app::win32::to_wide(text, true).c_str(), L"Dopplex",
                (error ? MB_ICONSTOP : MB_ICONINFORMATION) | MB_OK);
}

// The port --help names: the library port is tried, so that a missing DLL shows there already.
std::string port_for_help(const port::PortSpec& spec) {
    const std::unique_ptr<port::PortBackend> backend = port::make_port_backend(spec);
    if (spec.kind != port::PortKind::InpOut) {
        return backend->description();
    }
    try {
        backend->open();
        backend->close();
        return backend->description();
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
    for (int i = 1; words && i < count; ++i) {
        out.push_back(app::win32::to_utf8(words[i]));
    }
    LocalFree(words);
    return out;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Without a choice the port is InpOut32's library; the virtual one when it is unusable.
    const app::StartUp start =
        app::start_up(arguments(), environment(L"DOPPLEX_PORT"), false, tell, port_for_help);
    if (start.exit_status) {
        return *start.exit_status;
    }
    std::unique_ptr<port::PortBackend> backend;
    try {
        backend = port::make_port_backend(start.spec);
    } catch (const port::PortSpecError& error) {
        tell(std::string("dopplex: ") + error.what() + "\n", true);
        return 2;
    }

    app::win32::enable_dpi_awareness();
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    try {
        const std::unique_ptr<app::win32::TrackerLink> link = app::win32::make_tracker_link();
        app::EngineSession session(std::move(backend));
        if (start.spec.kind == port::PortKind::InpOut) {
            session.set_open_fault_report(app::win32::first_port_notice);
        }
        session.form().attach_link(link->services());
        const app::RecalledTracking tracking =
            app::recall_tracking(link->services().settings, session.form(), start.line.tracking);
        for (const std::string& problem : tracking.problems) {
            tell("dopplex: the remembered tracking: " + problem + "\n", true);
        }
        app::PassLogOption pass_log{std::nullopt, "off (--no-log)"};
        if (!start.line.no_log) {
            const std::optional<std::string> local = environment(L"LOCALAPPDATA");
            if (local && !local->empty()) {
                pass_log.folder =
                    std::filesystem::path(app::win32::to_wide(*local)) / L"Dopplex" / L"passes";
            }
            pass_log.off_reason = "off: LOCALAPPDATA names no folder";
        }
        app::win32::WindowShell shell(session, instance, pass_log);
        shell.view().loop_panel().feed().start_radios(
            app::radios_for_run(tracking.radios, start.line.radios), tracking.radios);
        shell.view().loop_panel().feed().remember_in(&link->services().settings,
                                                     tracking.remembered_mode);
        link->set_status_listener(
            [&shell](const std::string& status) { shell.post_link_status(status); });
        link->listen([&shell](const std::string& bytes) { shell.post_live(bytes); });
        const int status = shell.run();
        link->listen(nullptr);
        link->set_status_listener(nullptr);
        return status;
    } catch (const std::exception& error) {
        tell(std::string("dopplex: ") + error.what() + "\n", true);
        return 1;
    }
}
