#include "window_shell.h"

#include "engine_session.h"
#include "key_rules.h"
#include "pass_feed.h"
#include "posted_calls.h"

#include <chrono>
#include <mutex>

namespace dopplex::app::win32 {

namespace {

// The session that Ctrl+C and the console's closing end; the handler runs on its own thread.
std::mutex console_mutex;
EngineSession* console_session = nullptr;

BOOL WINAPI on_console_event(DWORD event) {
    std::lock_guard lock(console_mutex);
    if (!console_session) {
        return FALSE;
    }
    const std::shared_future<void> lowered = console_session->close_now();
    // After these the process ends once the handler returns: the lines go low first.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        lowered.wait_for(std::chrono::seconds(5));
    }
    return TRUE;
}

} // namespace

WindowShell::WindowShell(EngineSession& session, HINSTANCE instance, PassLogOption pass_log)
    : session_(session), view_(session, instance), help_(instance),
      pass_(session, view_, instance, std::move(pass_log)),
      held_line_(posting_to(view_.window()),
                 [this](std::optional<std::string>& line) {
                     if (line) {
                         view_.presenter().show_held_report(*line);
                     }
                 }),
      link_status_(posting_to(view_.window()),
                   [this](std::optional<std::string>& status) {
                       if (status) {
                           view_.presenter().show_link_status(*status);
                       }
                   }),
      live_(posting_to(view_.window()), [this](std::optional<Live>& live) {
          if (live) {
              view_.presenter().show_live(live->first, live->second);
          }
      }) {
    TFMain& form = session.form();
    form.add_observer(&bridge_);
    session.set_port_listener(&bridge_);
    const HWND window = view_.window();
    session.host().set_show_report([this, window](const std::string& text,
                                                  std::function<void()> closed) {
        post_call(window,
                  [this, text, closed = std::move(closed)] { view_.show_report(text, closed); });
    });
    session.host().set_show_held_status([this](const std::string& line) {
        held_line_.post([&](std::optional<std::string>& latest) { latest = line; });
    });
    session.dial().on_change([this, window](const DialReading& reading) {
        post_call(window, [this, reading] { view_.presenter().show_dial(reading); });
    });
    form.on_help = [this, window] { post_call(window, [this] { help_.show_help(); }); };
    form.on_close = [this, window] {
        post_call(window, [this] {
            help_.hide();
            view_.engine_closed();
        });
    };
}

void WindowShell::post_link_status(const std::string& status) {
    link_status_.post([&](std::optional<std::string>& latest) { latest = status; });
}

void WindowShell::post_live(const std::string& bytes) {
    const std::int64_t now = utc_now_ms();
    live_.post([&](std::optional<Live>& latest) { latest.emplace(bytes, now); });
}

WindowShell::~WindowShell() {
    {
        std::lock_guard lock(console_mutex);
        console_session = nullptr;
    }
    SetConsoleCtrlHandler(on_console_event, FALSE);
    session_.stop();
}

bool WindowShell::take_key(const MSG& message) {
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) {
        return false;
    }
    const HWND root = GetAncestor(message.hwnd, GA_ROOT);
    KeyPress press;
    press.virtual_key = static_cast<int>(message.wParam);
    press.alt = message.message == WM_SYSKEYDOWN && (message.lParam & (1 << 29)) != 0;
    press.in_main_window = root == view_.window();
    press.modal_open = view_.modal_open();
    press.in_loop_entry = view_.loop_panel().is_entry(message.hwnd);
    if (press.in_loop_entry && press.virtual_key == kVkReturn) {
        view_.loop_panel().apply(message.hwnd);
        return true;
    }
    if (press.virtual_key == kVkReturn && press.in_main_window) {
        press.focused_button = view_.focused_button();
    }
    return post_key_action(session_, key_action(press));
}

int WindowShell::run() {
    {
        std::lock_guard lock(console_mutex);
        console_session = &session_;
    }
    // Started from a console, the window hears its Ctrl+C and its closing.
    AttachConsole(ATTACH_PARENT_PROCESS);
    SetConsoleCtrlHandler(on_console_event, TRUE);
    const HWND window = view_.window();
    session_.start([this, window] { post_call(window, [this] { view_.show(); }); });
    MSG message;
    int status = 0;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            status = static_cast<int>(message.wParam);
            break;
        }
        if (got < 0) { // the loop cannot go on: end as the close box does
            session_.close_now().wait_for(std::chrono::seconds(5));
            status = 1;
            break;
        }
        if (take_key(message)) {
            continue;
        }
        if (IsDialogMessageW(view_.window(), &message) ||
            IsDialogMessageW(help_.window(), &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    session_.stop();
    return status;
}

} // namespace dopplex::app::win32
