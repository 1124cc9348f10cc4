// The windows of one run around an engine session: the main window, the help window, the bridge
// that carries the model's changes, the keyboard hook and the error report. Wires the engine's
// Help and close callbacks to the windows. GUI thread; its destructor stops the engine first, so
// nothing is queued to a window that is gone.
#pragma once

#include "form_bridge.h"
#include "help_window.h"
#include "key_filter.h"
#include "main_window.h"
#include "pass_readouts.h"

namespace dopplex::app {

class EngineSession;

class AppShell {
public:
    // Before the session starts; the pass log is written only into a folder that is given.
    explicit AppShell(EngineSession& session, PassLogOption pass_log = {});
    ~AppShell();
    AppShell(const AppShell&) = delete;
    AppShell& operator=(const AppShell&) = delete;

    MainWindow& window() { return window_; }
    HelpWindow& help() { return help_; }
    PassReadouts& readouts() { return readouts_; }

    // Starts the engine; the window appears once FormCreate has returned.
    void start();

private:
    EngineSession& session_;
    MainWindow window_;
    HelpWindow help_;
    FormBridge bridge_{window_};
    KeyFilter keys_;
    PassReadouts readouts_;
};

} // namespace dopplex::app
