// The program's run on a trace port (argument 1) with a Tune RX of 5000 pulses started at
// once, for the exit tests to end in every way they can. With "qfatal" as argument 2 it ends
// itself by qFatal once the train has raised RX UP; with "link" it also follows the tracker in
// the link folder, the engine and the live readout alike, as the program does.
#include "app_shell.h"
#include "engine_session.h"
#include "link_platform.h"
#include "port/trace.h"
#include "window_run.h"

#include <QApplication>
#include <QTimer>

#include <iostream>
#include <memory>
#include <string>

int main(int argc, char** argv) {
    using namespace dopplex;
    const std::string mode = argc == 3 ? argv[2] : "";
    const bool fatal = mode == "qfatal";
    if (argc != 2 && !fatal && mode != "link") {
        std::cerr << "usage: app_exit_child TRACE_FILE [qfatal|link]\n";
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    std::unique_ptr<app::LinkPlatform> link;
    app::EngineSession session(std::make_unique<port::TracePort>(argv[1]));
    if (mode == "link") {
        link = std::make_unique<app::LinkPlatform>();
        session.form().attach_link(link->services());
    }
    // The downlink 500 kHz above the reference: 5000 steps of 100 Hz, over half an hour.
    session.post_input([](TFMain& form) {
        form.Type("Edit1", "4.367750E8");
        form.Click("CheckBox1");
    });
    session.loop().post(EventKind::Link, [&session] {
        session.form().TrackingDataEx.receive(
            "SN\"AO-51\" AZ123.4 EL12.5 DN437275000 "
            "UP145825000 UM\"FM\" DM\"FM\" AOS\"2026-12-07 10:00:00\"");
    });
    session.post_input([](TFMain& form) { form.Click("Button1"); });
    QTimer watch;
    if (fatal) {
        QObject::connect(&watch, &QTimer::timeout, [&session] {
            if ((session.port_status().lines.value_or(0) & 1) != 0) {
                qFatal("app_exit_child: ending by qFatal in the middle of a train");
            }
        });
        watch.start(5);
    }
    app::AppShell shell(session);
    if (link) {
        link->live_feed().listen(
            [&shell](const std::string& bytes) { shell.window().post_live(bytes); });
    }
    const int status = app::run_window(session, shell);
    if (link) {
        link->live_feed().listen(nullptr);
    }
    return status;
}
