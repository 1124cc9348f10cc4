#include "app_shell.h"

#include "engine_session.h"
#include "error_report.h"

#include <QPointer>

namespace dopplex::app {

AppShell::AppShell(EngineSession& session, PassLogOption pass_log)
    : session_(session), window_(session), keys_(session, window_),
      readouts_(session, window_, std::move(pass_log)) {
    TFMain& form = session.form();
    form.add_observer(&bridge_);
    session.set_port_listener(&bridge_);
    install_error_report(session.host(), window_);
    session.host().set_show_held_status(
        [this](const std::string& line) { window_.post_held_report(line); });
    session.dial().on_change([window = QPointer<MainWindow>(&window_)](const DialReading& r) {
        QMetaObject::invokeMethod(
            window, [window, r] { window->show_dial(r); }, Qt::QueuedConnection);
    });

    QPointer<HelpWindow> help(&help_);
    QPointer<MainWindow> window(&window_);
    form.on_help = [help] {
        QMetaObject::invokeMethod(
            help, [help] { help->show_help(); }, Qt::QueuedConnection);
    };
    form.on_close = [window, help] {
        QMetaObject::invokeMethod(
            window,
            [window, help] {
                if (help) {
                    help->hide();
                }
                window->engine_closed();
            },
            Qt::QueuedConnection);
    };
}

AppShell::~AppShell() {
    session_.stop();
}

void AppShell::start() {
    QPointer<MainWindow> window(&window_);
    session_.start([window] {
        QMetaObject::invokeMethod(
            window, [window] { window->show(); }, Qt::QueuedConnection);
    });
}

} // namespace dopplex::app
