// dopplex: the desktop window over the engine.
#include "app_shell.h"
#include "command_line.h"
#include "engine_session.h"
#include "link/runtime_dir.h"
#include "link_platform.h"
#include "live_readout.h"
#include "port/port_spec.h"
#include "signal_exit.h"

#include <QApplication>
#include <QMessageBox>
#include <QStyleFactory>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>

namespace {

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    using namespace dopplex;
    const app::CommandLine line =
        app::parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
    if (!line.error.empty()) {
        std::cerr << "dopplex: " << line.error << "\n" << app::usage_text("(not chosen)");
        return 2;
    }
    port::PortSpec spec;
    try {
        spec = port::choose_port_spec(line.port, environment("DOPPLEX_PORT"),
                                      std::filesystem::exists(port::default_parport));
    } catch (const port::PortSpecError& error) {
        std::cerr << "dopplex: " << error.what() << "\n";
        return 2;
    }
    if (line.help) {
        std::cout << app::usage_text(port::describe(spec));
        return 0;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName("Dopplex");
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(QStyleFactory::create("Fusion"));

    std::unique_ptr<app::LinkPlatform> link;
    try {
        link = std::make_unique<app::LinkPlatform>();
    } catch (const std::exception& error) { // LinkStartError and the like: nothing to run on
        QMessageBox::critical(nullptr, "Dopplex", QString::fromStdString(error.what()));
        return 1;
    }
    app::EngineSession session(port::make_port_backend(spec));
    session.form().attach_link(link->services());
    app::AppShell shell(session);
    shell.window().live_readout().watch(link::runtime_dir());
    app::SignalExit signal_exit([&shell] { shell.window().request_exit_now(); });
    QObject::connect(&shell.window(), &app::MainWindow::finished, &application, &QApplication::quit,
                     Qt::QueuedConnection);
    shell.start();
    const int status = QApplication::exec();
    session.stop();
    return status;
}
