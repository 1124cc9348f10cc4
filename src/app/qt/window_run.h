// The program's run once the session and its windows are built: the ways to end it, the Qt event
// loop, and the engine stopped at the end. Every ending the process can catch (Exit, the close
// box, SIGINT, SIGTERM, SIGHUP, SIGQUIT, exit() from a library, qFatal) lowers every line first.
#pragma once

namespace dopplex::app {

class AppShell;
class EngineSession;

// GUI thread, with a QApplication; `session` not started yet, `shell` built over it. Returns
// the exit status.
int run_window(EngineSession& session, AppShell& shell);

} // namespace dopplex::app
