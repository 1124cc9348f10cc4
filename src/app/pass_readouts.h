// The pass readouts around an engine session: the recorder that follows the engine, the dial
// estimate, the pass log on its own thread and the log's status line. Built on the GUI thread
// before the session starts; the session must be stopped before this is destroyed (AppShell does).
#pragma once

#include "pass_log_writer.h"
#include "pass_recorder.h"
#include "pulse_count_dial.h"
#include "queued_observer.h"

#include <QObject>
#include <QPointer>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

class QLabel;

namespace dopplex::app {

class EngineSession;
class MainWindow;

struct PassLogOption {
    std::optional<std::filesystem::path> folder; // none: no log
    std::string off_reason = "off";              // shown when there is no folder
};

class PassReadouts final : public QObject {
public:
    PassReadouts(EngineSession& session, MainWindow& window, PassLogOption log);
    ~PassReadouts() override;

    QLabel* log_status() const { return log_status_; }

private:
    void show_log_status(const QString& text, bool failed);

    PulseCountDial dial_;
    PassRecorder recorder_;
    PassLogOption log_option_;
    std::unique_ptr<PassLogWriter> writer_;
    std::unique_ptr<QueuedObserver> log_;
    QLabel* log_status_;
};

} // namespace dopplex::app
