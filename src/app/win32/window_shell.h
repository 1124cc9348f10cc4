// The windows of one run around an engine session: the main window, the help window, the
// bridge that carries the model's changes and the error report, and the message loop that
// hands the arrow keys and Enter to the key rules before the dialog manager sees them. Ctrl+C
// and the console closing end the run like the close box. UI thread; run() stops the engine
// before the windows go, so nothing is posted to a window that is gone.
#pragma once

#include "help_view.h"
#include "mailbox.h"
#include "main_view.h"
#include "pass_view.h"
#include "view_bridge.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace dopplex::app {
class EngineSession;
}

namespace dopplex::app::win32 {

class WindowShell {
public:
    // Before the session starts.
    WindowShell(EngineSession& session, HINSTANCE instance, PassLogOption pass_log = {});
    ~WindowShell();
    WindowShell(const WindowShell&) = delete;
    WindowShell& operator=(const WindowShell&) = delete;

    // Starts the engine, shows the window once FormCreate has returned, and serves the windows
    // until the engine's exit sequence is done. Returns the exit status.
    int run();

    MainView& view() { return view_; }
    // Any thread: why the link is as it is, for the link status line (the latest only waits).
    void post_link_status(const std::string& status);
    // Any thread: one tracking text straight from the tracker, for the live readout.
    void post_live(const std::string& bytes);

private:
    bool take_key(const MSG& message);

    EngineSession& session_;
    MainView view_;
    HelpView help_;
    ViewBridge bridge_{view_};
    PassView pass_;
    // The latest held report's line: one posted call waiting at most, however fast they come.
    Mailbox<std::optional<std::string>> held_line_;
    Mailbox<std::optional<std::string>> link_status_;
    using Live = std::pair<std::string, std::int64_t>; // the text, timed as it arrived
    Mailbox<std::optional<Live>> live_;
};

} // namespace dopplex::app::win32
