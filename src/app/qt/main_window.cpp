#include "main_window.h"

#include "control_style.h"
#include "control_widgets.h"
#include "engine_session.h"
#include "led_panel.h"
#include "live_text.h"
#include "loop_panel_widgets.h"
#include "train_bar.h"
#include "window_layout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

namespace dopplex::app {

MainWindow::MainWindow(EngineSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      session_(session), link_status_text_(this,
                                           [this](std::optional<std::string>& status) {
                                               if (status) {
                                                   presenter_->show_link_status(*status);
                                               }
                                           }),
      held_report_(this,
                   [this](std::optional<std::string>& line) {
                       if (line) {
                           presenter_->show_held_report(*line);
                       }
                   }),
      live_text_(this, [this](std::optional<std::pair<std::string, std::int64_t>>& latest) {
          if (latest) {
              presenter_->show_live(latest->first, latest->second);
          }
      }) {
    setWindowTitle(q(std::string(kWindowCaption)));
    QFont base;
    base.setFamilies({"Nimbus Sans", "Liberation Sans", "Arial", "DejaVu Sans"});
    base.setPointSize(8);
    setFont(base);
    setFixedSize(kWindowWidth, kWindowHeight);
    if (const QScreen* screen = QApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    build_decorations();
    for (const Control* control : session_.form().controls()) {
        if (control->visible()) {
            build_control(*control);
        }
    }
    loop_panel_ = new LoopPanelWidgets(*this, session_);
    presenter_ = std::make_unique<MainPresenter>(session_, static_cast<ViewPort&>(*this));
}

void MainWindow::build_decorations() {
    add_pictures(this);
    place(leds_ = new LedPanel(this), kLedPanel);
    place(rx_bar_ = new TrainBar(this), kRxTrainBar);
    place(tx_bar_ = new TrainBar(this), kTxTrainBar);
    for (const bool tx : {false, true}) {
        QPushButton*& stop = stop_[tx];
        place(stop = new QPushButton("Stop", this), kStopButtons[tx]);
        stop->setFocusPolicy(Qt::NoFocus); // Enter keeps going to the window's own buttons
        stop->setToolTip("Ends this side's running pulse train at once (Esc)");
        stop->setEnabled(false); // until this side runs a train
        make_bold(stop);
        connect(stop, &QPushButton::clicked, this,
                [this, tx] { request_stop(tx ? Side::Tx : Side::Rx); });
    }
    // Esc stops whatever train runs, whichever Stop is enabled.
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this,
            [this] { request_stop(std::nullopt); });
    for (auto [label, where] : {std::pair{&rx_dial_, kRxDial}, std::pair{&tx_dial_, kTxDial}}) {
        place(*label = new QLabel(this), where);
        (*label)->setAlignment(Qt::AlignRight | Qt::AlignTop);
        (*label)->setToolTip("Where the radio's dial should be, counting every pulse sent (Tune, "
                             "Adjust, tracking, manual, arrow keys, Reset), and how far that is "
                             "from the tracker's Doppler frequency");
    }
    place(live_ = new QLabel(this), kLiveReadout);
    live_->setToolTip(kLiveTooltip);
    set_text_colour(live_, kLiveColor);
    add_captions(this);
    place(footer_ = new QLabel(this), kFooter);
    footer_back_ = new QTimer(this);
    footer_back_->setSingleShot(true);
    connect(footer_back_, &QTimer::timeout, this, [this] { presenter_->footer_back(); });

    place(link_status_ = new QLabel(this), kLinkStatus);
    set_text_colour(link_status_, kNoteColor);
}

void MainWindow::build_control(const Control& control) {
    const std::string name = control.name();
    QWidget* w = widgets_[name] = make_control_widget(control, this);
    if (name == "l_dd") {
        w->installEventFilter(this); // a click on the link state opens the link
    }
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        connect(button, &QAbstractButton::clicked, this,
                [this, name] { presenter_->clicked(name); });
        return;
    }
    auto* edit = qobject_cast<QLineEdit*>(w);
    if (!edit || edit->isReadOnly()) {
        return;
    }
    connect(edit, &QLineEdit::textEdited, this,
            [this, name](const QString& text) { presenter_->typed(name, text.toStdString()); });
    connect(edit, &QLineEdit::editingFinished, this, [this, name] { presenter_->left(name); });
}

// QWidget's destructor deletes the edits after this window is only a QWidget, and the focused
// one says its editing finished as it goes: it must not reach this window's handlers then.
MainWindow::~MainWindow() {
    for (QLineEdit* edit : findChildren<QLineEdit*>()) {
        edit->disconnect(this);
    }
}

bool MainWindow::shows(const std::string& control) const {
    return widget(control) != nullptr;
}

std::string MainWindow::text(const std::string& control) const {
    QWidget* w = widget(control);
    if (auto* label = qobject_cast<QLabel*>(w)) {
        return label->text().toStdString();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        return edit->text().toStdString();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        return button->text().toStdString();
    }
    return {};
}

void MainWindow::set_text(const std::string& control, const std::string& text) {
    QWidget* w = widget(control);
    if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(q(text));
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(q(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(q(text));
    }
}

void MainWindow::set_enabled(const std::string& control, bool enabled) {
    widget(control)->setEnabled(enabled);
}

void MainWindow::set_visible(const std::string& control, bool visible) {
    widget(control)->setVisible(visible);
}

void MainWindow::set_checked(const std::string& control, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget(control))) {
        button->setChecked(checked);
    }
}

// A label's colours are its text on the window; a field's, its text on its base.
void MainWindow::set_colours(const std::string& control, std::uint32_t text,
                             std::optional<std::uint32_t> back) {
    QWidget* w = widget(control);
    if (!qobject_cast<QLabel*>(w)) {
        set_colors(w, to_qcolor(back.value_or(kClWindowText)), to_qcolor(text));
        return;
    }
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, to_qcolor(text));
    if (back) {
        p.setColor(QPalette::Window, to_qcolor(*back));
    }
    w->setPalette(p);
    w->setAutoFillBackground(back.has_value());
}

void MainWindow::set_bold(const std::string& control, bool bold) {
    QWidget* w = widget(control);
    QFont f = w->font();
    f.setBold(bold);
    w->setFont(f);
}

void MainWindow::set_tooltip(const std::string& control, const std::string& text) {
    widget(control)->setToolTip(q(text));
}

void MainWindow::append_line(const std::string& control, const std::string& line) {
    if (auto* memo = qobject_cast<QPlainTextEdit*>(widget(control))) {
        memo->appendPlainText(q(line));
    }
}

void MainWindow::clear_lines(const std::string& control) {
    if (auto* memo = qobject_cast<QPlainTextEdit*>(widget(control))) {
        memo->clear();
    }
}

void MainWindow::focus(const std::string& control) {
    QWidget* w = widget(control);
    if (w->isVisible() && w->isEnabled()) {
        w->setFocus(Qt::OtherFocusReason);
    }
}

void MainWindow::set_readout(Readout readout, const std::string& text,
                             std::optional<std::uint32_t> colour) {
    QLabel* const labels[] = {footer_, link_status_, live_, rx_dial_, tx_dial_};
    QLabel* label = labels[static_cast<int>(readout)];
    label->setText(q(text));
    if (colour) {
        set_text_colour(label, *colour);
    }
}

void MainWindow::set_title(const std::string& title) {
    setWindowTitle(q(title));
}

void MainWindow::show_train(bool tx, const TrainProgress& progress) {
    train_bar(tx).show_progress(progress);
}

void MainWindow::set_stop_enabled(bool tx, bool enabled) {
    stop_[tx]->setEnabled(enabled);
}

void MainWindow::start_footer_timer(int ms) {
    footer_back_->start(ms);
}

ViewPort::Poster MainWindow::poster() {
    return [self = QPointer<MainWindow>(this)](std::function<void()> call) {
        QMetaObject::invokeMethod(self, std::move(call), Qt::QueuedConnection);
    };
}

void MainWindow::show_port_status(const port::PortStatus& status) {
    leds_->set_status(status);
}

void MainWindow::post_link_status(const std::string& status) {
    link_status_text_.post([&](std::optional<std::string>& latest) { latest = status; });
}

void MainWindow::post_held_report(const std::string& line) {
    held_report_.post([&](std::optional<std::string>& latest) { latest = line; });
}

void MainWindow::post_live(const std::string& bytes) {
    const std::int64_t now = QDateTime::currentDateTimeUtc().toMSecsSinceEpoch();
    live_text_.post([&](std::optional<std::pair<std::string, std::int64_t>>& latest) {
        latest.emplace(bytes, now);
    });
}

QWidget* MainWindow::widget(const std::string& control_name) const {
    auto it = widgets_.find(control_name);
    return it == widgets_.end() ? nullptr : it->second;
}

std::string MainWindow::focused_button() const {
    const QWidget* focus = QApplication::focusWidget();
    if (!qobject_cast<const QPushButton*>(focus)) {
        return {};
    }
    for (const auto& [name, w] : widgets_) {
        if (w == focus && w->isVisible() && w->isEnabled()) {
            return name;
        }
    }
    return {};
}

void MainWindow::engine_closed() {
    may_close_ = true;
    close();
    emit finished();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (may_close_) {
        event->accept();
        return;
    }
    // The close box lowers the lines like Exit does, so no radio button is left pressed, and
    // does not wait for a running train.
    event->ignore();
    request_exit_now();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == widget("l_dd") && event->type() == QEvent::MouseButtonRelease) {
        presenter_->clicked("l_dd");
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace dopplex::app
