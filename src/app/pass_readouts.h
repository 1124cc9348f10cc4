// The pass readouts around an engine session: the recorder that follows the engine, the dial
// estimate, the pass log on its own thread, the AOS countdown beside the notification, the
// pass plot and its button, and the log's status line. Built on the GUI thread before the
// session starts; the session must be stopped before this is destroyed (AppShell does).
#pragma once

#include "gui_mailbox.h"
#include "pass_log_writer.h"
#include "pass_plot.h"
#include "pass_recorder.h"
#include "queued_observer.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

class QLabel;
class QPushButton;

namespace dopplex::app {

class EngineSession;
class MainWindow;

struct PassLogOption {
    std::optional<std::filesystem::path> folder; // none: no log
    std::string off_reason = "off";              // shown when there is no folder
};

class PassReadouts final : public QObject, private PassObserver {
public:
    PassReadouts(EngineSession& session, MainWindow& window, PassLogOption log);
    ~PassReadouts() override;

    PassPlot& plot() { return plot_; }
    QPushButton* plot_button() const { return plot_button_; }
    QLabel* countdown() const { return countdown_; }
    QLabel* log_status() const { return log_status_; }

private:
    // Engine thread: copies go to the GUI thread.
    void pass_started(const TrackingPoint& aos) override;
    void tracking_update(const TrackingPoint& point) override;
    void pulse_sent(const PulseRecord& pulse) override;

    // The start of a pass, an update, a pulse, in the order the engine told them.
    struct PassStart {
        TrackingPoint aos;
    };
    using Heard = std::variant<PassStart, TrackingPoint, PulseRecord>;
    void show(const Heard& heard);

    void show_countdown();
    void show_log_status(const QString& text, bool failed);

    DialEstimate dial_; // its own count: the window's lives on the port side of the engine
    PassRecorder recorder_;
    PassLogOption log_option_;
    std::unique_ptr<PassLogWriter> writer_;
    std::unique_ptr<QueuedObserver> log_;
    PassPlot plot_;
    QPushButton* plot_button_;
    QLabel* countdown_;
    QLabel* log_status_;
    QTimer tick_;
    GuiMailbox<std::vector<Heard>> heard_;
    std::string aos_text_;
    double elevation_deg_ = 0;
};

} // namespace dopplex::app
