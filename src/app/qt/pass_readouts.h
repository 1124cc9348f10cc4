// The pass readouts around an engine session: the recorder that follows the engine, the dial
// estimate, the pass log on its own thread, the AOS countdown beside the notification, the
// pass plot and its button, and the log's status line. Built on the GUI thread before the
// session starts; the session must be stopped before this is destroyed (AppShell does).
#pragma once

#include "pass_feed.h"
#include "pass_mailbox.h"
#include "pass_plot.h"
#include "pass_show.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <string>

class QLabel;
class QPushButton;

namespace dopplex::app {

class EngineSession;
class MainWindow;

class PassReadouts final : public QObject, private PassShow<PassPlot> {
public:
    PassReadouts(EngineSession& session, MainWindow& window, PassLogOption log);
    ~PassReadouts() override;

    PassPlot& plot() { return plot_; }
    QPushButton* plot_button() const { return plot_button_; }
    QLabel* countdown() const { return countdown_; }
    QLabel* log_status() const { return log_status_; }

private:
    void show_countdown() override;
    void show_log_status(const QString& text, bool failed);

    PassPlot plot_;
    QPushButton* plot_button_;
    QLabel* countdown_;
    QLabel* log_status_;
    QTimer tick_;
    const MainWindow& window_; // its link status: the countdown ends with the link
    PassMailbox heard_;        // what the engine told, merged while the GUI thread is busy
    PassFeed feed_; // last: gone first, so the engine side never reaches a half-built window
};

} // namespace dopplex::app
