#include "window_run.h"

#include "app_shell.h"
#include "engine_session.h"
#include "forced_exit.h"
#include "signal_exit.h"

#include <QApplication>

namespace dopplex::app {

int run_window(EngineSession& session, AppShell& shell) {
    SignalExit signal_exit([&session] { session.request_exit_now(); });
    ForcedExit forced_exit(session);
    QObject::connect(&shell.window(), &MainWindow::finished, QCoreApplication::instance(),
                     &QCoreApplication::quit, Qt::QueuedConnection);
    shell.start();
    const int status = QApplication::exec();
    session.stop();
    return status;
}

} // namespace dopplex::app
