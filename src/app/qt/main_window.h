// The main window: a view of TFMain. Builds one widget per visible control at its place, applies
// the model's changes as the bridge queues them, and posts every operator action (click, typing,
// the l_dd label, Exit, the close box) to the engine's queue. Decides nothing itself.
// GUI thread only.
#pragma once

#include "dial_watch.h"
#include "form_bridge.h"
#include "port/supervised_port.h"

#include <QWidget>

#include <map>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace dopplex {
class TFMain;
}

namespace dopplex::app {

class EngineSession;
class LedPanel;
class LiveReadout;
class LoopPanelWidgets;
class TrainBar;

class MainWindow final : public QWidget {
    Q_OBJECT
public:
    // Reads the model's controls as they are now; call before the engine thread starts.
    explicit MainWindow(EngineSession& session, QWidget* parent = nullptr);

    // From the bridge.
    void apply(const ControlUpdate& update);
    void follow_focus(const std::string& control_name);
    void show_port_status(const port::PortStatus& status);
    // Any thread: shows why the link is as it is (a failed open, the end of a conversation)
    // beside the link state.
    void post_link_status(const std::string& status);
    void show_train_progress(const TrainProgress& progress);
    void show_dial(const DialReading& reading);

    // The widget that shows a control, or nullptr for a hidden one.
    QWidget* widget(const std::string& control_name) const;
    // The name of the visible push button that has the keyboard focus, or empty.
    std::string focused_button() const;
    LedPanel& led_panel() const { return *leds_; }
    TrainBar& train_bar(bool tx) const { return *(tx ? tx_bar_ : rx_bar_); }
    QPushButton& stop_button() const { return *stop_; }
    LiveReadout& live_readout() const { return *live_; }
    LoopPanelWidgets& loop_panel() const { return *loop_panel_; }
    QLabel& dial_label(bool tx) const { return *(tx ? tx_dial_ : rx_dial_); }

    // Stop (the button or Esc): the running train ends at once, out of band; the engine then
    // goes on with its queue. Without a train it does nothing.
    void request_stop();

    // Runs the engine's exit sequence after what is queued (the Exit button); the window closes
    // when the engine has lowered the lines.
    void request_exit();
    // The same at once, cutting a running train short, even while an error report is open
    // (the close box, SIGINT, SIGTERM, SIGHUP, SIGQUIT).
    void request_exit_now();
    // The engine's exit sequence is done.
    void engine_closed();

signals:
    void finished();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build_decorations();
    void build_control(const Control& control);
    QWidget* make_widget(const Control& control);
    void wire(const Control& control, QWidget* widget);
    void post_click(const std::string& name);
    void post_type(const std::string& name, const QString& text);
    void apply_text(QWidget* widget, const ControlUpdate& update);

    EngineSession& session_;
    std::map<std::string, QWidget*> widgets_;
    std::map<std::string, int> typing_in_flight_;
    LedPanel* leds_ = nullptr;
    TrainBar* rx_bar_ = nullptr;
    TrainBar* tx_bar_ = nullptr;
    QPushButton* stop_ = nullptr;
    LiveReadout* live_ = nullptr;
    LoopPanelWidgets* loop_panel_ = nullptr;
    QLabel* rx_dial_ = nullptr;
    QLabel* tx_dial_ = nullptr;
    QLabel* link_label_ = nullptr;
    QLabel* link_status_ = nullptr;
    bool may_close_ = false;
};

} // namespace dopplex::app
