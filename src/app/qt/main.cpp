// dopplex: the desktop window over the engine.
#include "app_shell.h"
#include "engine_session.h"
#include "link/socket/runtime_dir.h"
#include "link_platform.h"
#include "loop_panel_widgets.h"
#include "port/port_spec.h"
#include "start_up.h"
#include "tracking_settings.h"
#include "window_run.h"

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
    const app::StartUp start = app::start_up(
        std::vector<std::string>(argv + 1, argv + argc), environment("DOPPLEX_PORT"),
        std::filesystem::exists(port::default_parport),
        [](const std::string& text, bool error) { (error ? std::cerr : std::cout) << text; });
    if (start.exit_status) {
        return *start.exit_status;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName("Dopplex");
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(QStyleFactory::create("Fusion"));

    std::unique_ptr<app::DemoFolder> demo_folder;
    std::unique_ptr<app::LinkPlatform> link;
    try {
        if (start.line.demo) {
            demo_folder = std::make_unique<app::DemoFolder>();
        }
        link = std::make_unique<app::LinkPlatform>();
        if (start.line.demo) {
            link->play_demo();
        }
    } catch (const std::exception& error) { // LinkStartError and the like: nothing to run on
        std::cerr << "dopplex: " << error.what() << "\n";
        QMessageBox::critical(nullptr, "Dopplex", QString::fromStdString(error.what()));
        return 1;
    }
    if (const auto notice = link->folder_notice(); !notice.empty()) {
        std::string text;
        for (const std::string& line : notice) {
            std::cerr << "dopplex: " << line << "\n";
            text += line + "\n";
        }
        QMessageBox::warning(nullptr, "Dopplex", QString::fromStdString(text));
    }
    app::EngineSession session(port::make_port_backend(start.spec));
    session.form().attach_link(link->services());
    const app::RecalledTracking tracking =
        app::recall_tracking(link->services().settings, session.form(), start.line.tracking);
    for (const std::string& problem : tracking.problems) {
        std::cerr << "dopplex: the remembered tracking: " << problem << "\n";
    }
    app::PassLogOption pass_log{std::nullopt, "off (--no-log)"};
    if (!start.line.no_log) {
        pass_log.folder = app::pass_log_folder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
        pass_log.off_reason = "off: neither XDG_DATA_HOME nor HOME names a folder";
    }
    app::AppShell shell(session, pass_log);
    link->live_feed().listen(
        [&shell](const std::string& bytes) { shell.window().post_live(bytes); });
    shell.window().loop_panel().feed().start_radios(
        app::radios_for_run(tracking.radios, start.line.radios), tracking.radios);
    shell.window().loop_panel().feed().remember_in(&link->services().settings,
                                                   tracking.remembered_mode);
    link->set_status_listener(
        [&shell](const std::string& status) { shell.window().post_link_status(status); });
    const int status = app::run_window(session, shell);
    link->live_feed().listen(nullptr);
    link->end_started_player(shell.window().source_mark().served_simulated_pass());
    return status;
}
