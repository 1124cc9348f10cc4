// The main window in Qt: the widgets of the shared layout, one per visible control of TFMain,
// drawn as the presenter says (the ViewPort), and every operator action (click, typing, the l_dd
// label, Exit, Stop, the close box) handed to the presenter. Decides nothing itself.
// GUI thread only.
#pragma once

#include "dial_watch.h"
#include "form_bridge.h"
#include "gui_mailbox.h"
#include "main_presenter.h"
#include "port/supervised_port.h"
#include "view_port.h"

#include <QWidget>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace dopplex {
class TFMain;
}

namespace dopplex::app {

class EngineSession;
class LedPanel;
class LoopPanelWidgets;
class TrainBar;

class MainWindow final : public QWidget, private ViewPort {
    Q_OBJECT
public:
    // Reads the model's controls as they are now; call before the engine thread starts.
    explicit MainWindow(EngineSession& session, QWidget* parent = nullptr);
    ~MainWindow() override;

    // From the bridge.
    void apply(const ControlUpdate& update) { presenter_->apply(update); }
    void follow_focus(const std::string& control_name) { presenter_->follow_focus(control_name); }
    void show_port_status(const port::PortStatus& status);
    // Any thread: shows why the link is as it is (a failed open, the end of a conversation)
    // beside the link state.
    void post_link_status(const std::string& status);
    // Any thread: the count of an error report held after its close, on the footer line for
    // the next 10 s.
    void post_held_report(const std::string& line);
    void show_train_progress(const TrainProgress& progress) {
        presenter_->show_train_progress(progress);
    }
    void show_dial(const DialReading& reading) { presenter_->show_dial(reading); }
    // Any thread: one tracking text straight from the tracker, for the live readout.
    void post_live(const std::string& bytes);

    // The widget that shows a control, or nullptr for a hidden one.
    QWidget* widget(const std::string& control_name) const;
    // The name of the visible push button that has the keyboard focus, or empty.
    std::string focused_button() const;
    LedPanel& led_panel() const { return *leds_; }
    TrainBar& train_bar(bool tx) const { return *(tx ? tx_bar_ : rx_bar_); }
    QPushButton& stop_button(bool tx) const { return *stop_[tx]; }
    QLabel& live_readout() const { return *live_; }
    LoopPanelWidgets& loop_panel() const { return *loop_panel_; }
    QLabel& dial_label(bool tx) const { return *(tx ? tx_dial_ : rx_dial_); }
    const SourceMark& source_mark() const { return presenter_->source_mark(); }

    // Stop (a side's button, or Esc for both): the running train ends at once, out of band;
    // the engine then goes on with its queue. Without a train it does nothing.
    void request_stop(std::optional<Side> side) { presenter_->stop(side); }

    // Runs the engine's exit sequence after what is queued (the Exit button); the window closes
    // when the engine has lowered the lines.
    void request_exit() { presenter_->exit(); }
    // The same at once, cutting a running train short, even while an error report is open
    // (the close box, SIGINT, SIGTERM, SIGHUP, SIGQUIT).
    void request_exit_now() { presenter_->exit_now(); }
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

    DOPPLEX_VIEW_PORT_CALLS

    EngineSession& session_;
    std::map<std::string, QWidget*> widgets_;
    LedPanel* leds_ = nullptr;
    TrainBar* rx_bar_ = nullptr;
    TrainBar* tx_bar_ = nullptr;
    QPushButton* stop_[2] = {}; // RX, TX
    QLabel* live_ = nullptr;
    LoopPanelWidgets* loop_panel_ = nullptr;
    QLabel* rx_dial_ = nullptr;
    QLabel* tx_dial_ = nullptr;
    QLabel* link_status_ = nullptr;
    QLabel* footer_ = nullptr;
    QTimer* footer_back_ = nullptr;
    bool may_close_ = false;
    std::unique_ptr<MainPresenter> presenter_; // after the widgets it draws on
    GuiMailbox<std::optional<std::string>> link_status_text_;
    GuiMailbox<std::optional<std::string>> held_report_;
    GuiMailbox<std::optional<std::pair<std::string, std::int64_t>>> live_text_;
};

} // namespace dopplex::app
