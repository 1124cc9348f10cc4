#include "main_window.h"

#include "artwork.h"
#include "control_style.h"
#include "engine_session.h"
#include "led_panel.h"
#include "live_readout.h"
#include "loop_panel_widgets.h"
#include "model_buttons.h"
#include "readout_text.h"
#include "runtime/report_queue.h"
#include "train_bar.h"
#include "window_layout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

#include <chrono>

namespace dopplex::app {

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// The model's colours are 0x00BBGGRR; the window-text colour is the palette's.
QColor to_qcolor(std::uint32_t color, const QColor& window_text = Qt::black) {
    if (color == kClWindowText)
        return window_text;
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

void set_colors(QWidget* w, const QColor& base, const QColor& text) {
    QPalette p = w->palette();
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::Text, text);
    w->setPalette(p);
}

void show_read_only_colors(QWidget* w, std::uint32_t font_color) {
    const FieldColors colors = read_only_field_colors(font_color);
    set_colors(w, to_qcolor(colors.back, Qt::black), to_qcolor(colors.text, Qt::black));
}

void make_bold(QWidget* w) {
    QFont f = w->font();
    f.setBold(true);
    w->setFont(f);
}

} // namespace

MainWindow::MainWindow(EngineSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      session_(session), link_status_text_(this,
                                           [this](std::optional<std::string>& status) {
                                               if (status)
                                                   show_link_status(q(*status));
                                           }),
      held_report_(this, [this](std::optional<std::string>& line) {
          if (line)
              show_held_report(*line);
      }) {
    setWindowTitle(q(std::string(kWindowCaption)));
    QFont base;
    base.setFamilies({"Nimbus Sans", "Liberation Sans", "Arial", "DejaVu Sans"});
    base.setPointSize(8);
    setFont(base);
    setFixedSize(kWindowWidth, kWindowHeight);
    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    build_decorations();
    for (const Control* control : session_.form().controls())
        if (control->visible())
            build_control(*control);
    loop_panel_ = new LoopPanelWidgets(*this, session_);
}

void MainWindow::build_decorations() {
    auto* tracking = new QFrame(this);
    tracking->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    tracking->setGeometry(kTrackingFrame.x, kTrackingFrame.y, kTrackingFrame.w, kTrackingFrame.h);
    auto* step = new QGroupBox(q(std::string(kStepFrameTitle)), this);
    step->setGeometry(kStepFrame.x, kStepFrame.y, kStepFrame.w, kStepFrame.h);

    (new Banner(this))->setGeometry(kBanner.x, kBanner.y, kBanner.w, kBanner.h);
    (new SatelliteDrawing(true, this))
        ->setGeometry(kRxSatellite.x, kRxSatellite.y, kRxSatellite.w, kRxSatellite.h);
    (new SatelliteDrawing(false, this))
        ->setGeometry(kTxSatellite.x, kTxSatellite.y, kTxSatellite.w, kTxSatellite.h);
    leds_ = new LedPanel(this);
    leds_->setGeometry(kLedPanel.x, kLedPanel.y, kLedPanel.w, kLedPanel.h);
    rx_bar_ = new TrainBar(this);
    rx_bar_->setGeometry(kRxTrainBar.x, kRxTrainBar.y, kRxTrainBar.w, kRxTrainBar.h);
    tx_bar_ = new TrainBar(this);
    tx_bar_->setGeometry(kTxTrainBar.x, kTxTrainBar.y, kTxTrainBar.w, kTxTrainBar.h);
    for (const bool tx : {false, true}) {
        QPushButton*& stop = stop_[tx];
        const Rect& place = kStopButtons[tx];
        stop = new QPushButton("Stop", this);
        stop->setGeometry(place.x, place.y, place.w, place.h);
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
    for (auto [label, place] : {std::pair{&rx_dial_, kRxDial}, std::pair{&tx_dial_, kTxDial}}) {
        *label = new QLabel("Dial estimate\nno reference", this);
        (*label)->setGeometry(place.x, place.y, place.w, place.h);
        (*label)->setAlignment(Qt::AlignRight | Qt::AlignTop);
        (*label)->setToolTip("Where the radio's dial should be, counting every pulse sent (Tune, "
                             "Adjust, tracking, manual, arrow keys, Reset), and how far that is "
                             "from the tracker's Doppler frequency");
    }
    live_ = new LiveReadout(this);
    live_->setGeometry(kLiveReadout.x, kLiveReadout.y, kLiveReadout.w, kLiveReadout.h);

    for (const Caption& c : captions()) {
        auto* label = new QLabel(q(std::string(c.text)), this);
        label->setGeometry(c.x, c.y, c.w, c.h);
        label->setAlignment((c.right_aligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
        const ControlStyle style = caption_style(c.style);
        if (style.bold)
            make_bold(label);
        if (style.text_color)
            label->setStyleSheet("color: " + to_qcolor(*style.text_color).name() + ";");
    }

    footer_ = new QLabel(q(std::string(kFooterText)), this);
    footer_->setGeometry(kFooter.x, kFooter.y, kFooter.w, kFooter.h);
    footer_back_ = new QTimer(this);
    footer_back_->setSingleShot(true);
    footer_back_->setInterval(std::chrono::milliseconds(ReportQueue::kQuietAfterCloseMs));
    connect(footer_back_, &QTimer::timeout, this,
            [this] { show_footer(std::string(kFooterText), kNoteColor); });
    show_footer(std::string(kFooterText), kNoteColor);

    link_status_ = new QLabel(this);
    link_status_->setGeometry(kLinkStatus.x, kLinkStatus.y, kLinkStatus.w, kLinkStatus.h);
    link_status_->setStyleSheet("color: " + to_qcolor(kNoteColor).name() + ";");
}

QWidget* MainWindow::make_widget(const Control& control) {
    const std::string& name = control.name();
    const ControlStyle style = control_style(control);
    switch (control.kind()) {
    case ControlKind::Label: {
        auto* label = new QLabel(this);
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, to_qcolor(*style.text_color));
        label->setPalette(p);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(name == "l_st");
        if (name == "l_dd") {
            label->setCursor(Qt::PointingHandCursor);
            label->setToolTip(kLinkClickHint);
            label->installEventFilter(this);
            link_label_ = label;
        }
        return label;
    }
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(this);
        edit->setReadOnly(!style.editable);
        set_colors(edit, to_qcolor(*style.back_color), to_qcolor(*style.text_color));
        return edit;
    }
    case ControlKind::Memo: {
        auto* memo = new QPlainTextEdit(this);
        memo->setReadOnly(true);
        memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        set_colors(memo, to_qcolor(*style.back_color), to_qcolor(*style.text_color));
        return memo;
    }
    case ControlKind::Button:
        return new QPushButton(this);
    case ControlKind::SpeedButton: {
        auto* button = new QPushButton(this);
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus); // a speed button never takes the focus
        return button;
    }
    case ControlKind::CheckBox:
        return new ModelCheckBox(this);
    case ControlKind::RadioButton:
        return new ModelRadioButton(this);
    }
    return nullptr;
}

void MainWindow::build_control(const Control& control) {
    QWidget* w = make_widget(control);
    const std::string& name = control.name();
    for (const Placement& p : control_placements())
        if (p.name == name)
            w->setGeometry(p.x, p.y, p.w, p.h);
    if (control_style(control).bold)
        make_bold(w);
    if (const std::string_view hint = key_hint(name); !hint.empty())
        w->setToolTip(QString::fromUtf8(hint.data(), static_cast<qsizetype>(hint.size())));
    widgets_[name] = w;
    if (SourceMark::concerns(name))
        mark_.follow(name, control.text());
    ControlUpdate initial = snapshot(control, Change::Text);
    apply_text(w, initial);
    w->setEnabled(control.enabled());
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setChecked(control.checked());
    for (const std::string& line : control.lines())
        if (auto* memo = qobject_cast<QPlainTextEdit*>(w))
            memo->appendPlainText(q(line));
    wire(control, w);
}

void MainWindow::wire(const Control& control, QWidget* w) {
    const std::string name = control.name();
    if (control.kind() == ControlKind::SpeedButton) {
        connect(static_cast<QPushButton*>(w), &QPushButton::clicked, this,
                [this] { request_exit(); });
        return;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        connect(button, &QAbstractButton::clicked, this, [this, name] { post_click(name); });
        return;
    }
    auto* edit = qobject_cast<QLineEdit*>(w);
    if (!edit || edit->isReadOnly())
        return;
    connect(edit, &QLineEdit::textEdited, this,
            [this, name](const QString& text) { post_type(name, text); });
    if (const std::optional<Side> side = ReferenceMarks::side_of(name)) {
        connect(edit, &QLineEdit::textEdited, this, [this, side] { mark_reference(*side); });
        connect(edit, &QLineEdit::editingFinished, this,
                [this, side] { post_reference_done(session_, *side); });
    }
}

// QWidget's destructor deletes the edits after this window is only a QWidget, and the focused
// one says its editing finished as it goes: it must not reach this window's handlers then.
MainWindow::~MainWindow() {
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        edit->disconnect(this);
}

void MainWindow::post_click(const std::string& name) {
    app::post_click(session_, name);
}

// A reference that does not read right is marked at once, with the hint as its tooltip.
void MainWindow::mark_reference(Side side) {
    auto* edit = qobject_cast<QLineEdit*>(widget(side == Side::Rx ? "Edit1" : "Edit13"));
    if (!edit)
        return;
    const std::optional<std::string> hint = references_.hint(side, edit->text().toStdString());
    const ControlStyle style = reference_style(hint.has_value());
    set_colors(edit, to_qcolor(*style.back_color), to_qcolor(*style.text_color));
    edit->setToolTip(hint ? q(*hint) : QString());
}

// The model echoes typed text back; until every text typed so far has reached the engine, an
// echo could be older than what the operator sees, so it is not applied (it would move the
// caret or undo a keystroke).
void MainWindow::post_type(const std::string& name, const QString& text) {
    ++typing_in_flight_[name];
    QPointer<MainWindow> self(this);
    session_.post_input([name, text = text.toStdString(), self](TFMain& form) {
        form.Type(name, text);
        QMetaObject::invokeMethod(
            self, [self, name] { --self->typing_in_flight_[name]; }, Qt::QueuedConnection);
    });
}

void MainWindow::apply_text(QWidget* w, const ControlUpdate& update) {
    const QString text = q(update.text);
    if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        if (typing_in_flight_[update.name] == 0 && edit->text() != text)
            edit->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(text);
    }
}

void MainWindow::apply(const ControlUpdate& update) {
    QWidget* w = widget(update.name);
    if (!w)
        return; // a hidden control: a working value, never shown
    switch (update.what) {
    case Change::Text:
        apply_text(w, update);
        follow_marks(mark_, references_, update.name, update.text)
            .show([this] { show_source_mark(); }, [this](Side side) { mark_reference(side); });
        break;
    case Change::Enabled:
        w->setEnabled(update.enabled);
        break;
    case Change::Visible:
        w->setVisible(update.visible);
        break;
    case Change::Checked:
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            button->setChecked(update.checked);
        break;
    case Change::FontColor:
        show_read_only_colors(w, update.font_color);
        break;
    case Change::LineAdded:
        if (auto* memo = qobject_cast<QPlainTextEdit*>(w))
            memo->appendPlainText(q(update.line));
        break;
    case Change::LinesCleared:
        if (auto* memo = qobject_cast<QPlainTextEdit*>(w))
            memo->clear();
        break;
    }
}

// A simulated pass reads so in the link state, in white on red, and in the title.
void MainWindow::show_source_mark() {
    if (!link_label_)
        return;
    link_label_->setText(q(mark_.link_state()));
    const ControlStyle style = link_state_style(mark_.simulated());
    QPalette p = link_label_->palette();
    p.setColor(QPalette::WindowText, to_qcolor(*style.text_color));
    if (style.back_color)
        p.setColor(QPalette::Window, to_qcolor(*style.back_color));
    link_label_->setPalette(p);
    link_label_->setAutoFillBackground(style.back_color.has_value());
    QFont f = link_label_->font();
    f.setBold(style.bold);
    link_label_->setFont(f);
    show_link_hint();
    setWindowTitle(q(mark_.title()));
}

void MainWindow::show_link_hint() {
    link_label_->setToolTip(q(mark_.link_tooltip(link_reason_)));
}

void MainWindow::follow_focus(const std::string& control_name) {
    QWidget* w = widget(control_name);
    if (w && w->isVisible() && w->isEnabled())
        w->setFocus(Qt::OtherFocusReason);
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

void MainWindow::show_held_report(const std::string& line) {
    show_footer(line, kFailureColor);
    footer_back_->start();
}

void MainWindow::show_footer(const std::string& text, std::uint32_t color) {
    footer_->setText(q(text));
    footer_->setStyleSheet("color: " + to_qcolor(color).name() + ";");
}

void MainWindow::show_link_status(const QString& text) {
    link_status_->setText(kLinkStatusPrefix + text);
    link_reason_ = text.toStdString();
    if (link_label_)
        show_link_hint();
}

void MainWindow::show_train_progress(const TrainProgress& progress) {
    const bool tx = is_tx_channel(progress.channel);
    train_bar(tx).show_progress(progress);
    stop_[tx]->setEnabled(progress.running);
}

void MainWindow::show_dial(const DialReading& reading) {
    dial_label(reading.side == Side::Tx).setText(q(dial_text(reading)));
}

void MainWindow::request_stop(std::optional<Side> side) {
    session_.request_stop(side);
}

QWidget* MainWindow::widget(const std::string& control_name) const {
    auto it = widgets_.find(control_name);
    return it == widgets_.end() ? nullptr : it->second;
}

std::string MainWindow::focused_button() const {
    const QWidget* focus = QApplication::focusWidget();
    if (!qobject_cast<const QPushButton*>(focus))
        return {};
    for (const auto& [name, w] : widgets_)
        if (w == focus && w->isVisible() && w->isEnabled())
            return name;
    return {};
}

void MainWindow::request_exit() {
    session_.request_exit();
}

void MainWindow::request_exit_now() {
    session_.request_exit_now();
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
    if (watched == link_label_ && event->type() == QEvent::MouseButtonRelease)
        post_click("l_dd");
    return QWidget::eventFilter(watched, event);
}

} // namespace dopplex::app
