// The windows of one run around an engine session: the main window, the help window, the
// bridge that carries the model's changes and the error report, and the message loop that
// hands the arrow keys and Enter to the key rules before the dialog manager sees them. Ctrl+C
// and the console closing end the run like the close box. UI thread; run() stops the engine
// before the windows go, so nothing is posted to a window that is gone.
#pragma once

#include "help_view.h"
#include "main_view.h"
#include "view_bridge.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace dopplex::app {
class EngineSession;
}

namespace dopplex::app::win32 {

class WindowShell {
public:
    // Before the session starts.
    WindowShell(EngineSession& session, HINSTANCE instance);
    ~WindowShell();
    WindowShell(const WindowShell&) = delete;
    WindowShell& operator=(const WindowShell&) = delete;

    // Starts the engine, shows the window once FormCreate has returned, and serves the windows
    // until the engine's exit sequence is done. Returns the exit status.
    int run();

private:
    bool take_key(const MSG& message);

    EngineSession& session_;
    MainView view_;
    HelpView help_;
    ViewBridge bridge_{view_};
    // The latest held report's line, one posted call waiting at most, however fast they come.
    struct HeldLine {
        std::mutex mutex;
        std::optional<std::string> line; // guarded by mutex
    };
    std::shared_ptr<HeldLine> held_line_ = std::make_shared<HeldLine>();
};

} // namespace dopplex::app::win32
