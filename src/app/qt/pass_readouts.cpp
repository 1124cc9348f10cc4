#include "pass_readouts.h"

#include "gui_mailbox.h"
#include "main_window.h"
#include "window_layout.h"

#include <QLabel>
#include <QPushButton>

namespace dopplex::app {

PassReadouts::PassReadouts(EngineSession& session, MainWindow& window, PassLogOption log)
    : PassShow(plot_), plot_button_(new QPushButton("Pass plot", &window)),
      countdown_(new QLabel(&window)), log_status_(new QLabel(&window)), window_(window),
      heard_(queued_to(this), *this),
      feed_(session, heard_, std::move(log), [this](const std::string& text, bool failed) {
          QPointer<PassReadouts> self(this);
          QMetaObject::invokeMethod(
              this,
              [self, text = QString::fromStdString(text), failed] {
                  self->show_log_status(text, failed);
              },
              Qt::QueuedConnection);
      }) {
    plot_button_->setGeometry(kPlotButton.x, kPlotButton.y, kPlotButton.w, kPlotButton.h);
    plot_button_->setCheckable(true);
    plot_button_->setFocusPolicy(Qt::NoFocus); // Enter and space stay the engine's keys
    plot_button_->setToolTip("Show or hide the plot of the pass so far");
    connect(plot_button_, &QPushButton::toggled, &plot_, &QWidget::setVisible);
    connect(&plot_, &PassPlot::hidden, plot_button_, [this] { plot_button_->setChecked(false); });

    countdown_->setGeometry(kAosCountdown.x, kAosCountdown.y, kAosCountdown.w, kAosCountdown.h);
    countdown_->setAlignment(Qt::AlignLeft | Qt::AlignTop); // "UTC" beside the time it qualifies
    QPalette blue = countdown_->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 200));
    countdown_->setPalette(blue);
    log_status_->setGeometry(kLogStatus.x, kLogStatus.y, kLogStatus.w, kLogStatus.h);

    connect(&tick_, &QTimer::timeout, this, [this] { show_countdown(); });
    tick_.start(1000);
}

PassReadouts::~PassReadouts() = default;

void PassReadouts::show_countdown() {
    const auto* link = qobject_cast<const QLabel*>(window_.widget("l_dd"));
    const bool link_open = link && link_shown_open(link->text().toStdString());
    countdown_->setText(QString::fromStdString(countdown_text(link_open)));
}

void PassReadouts::show_log_status(const QString& text, bool failed) {
    log_status_->setText(text);
    log_status_->setToolTip(text);
    QPalette palette = log_status_->palette();
    palette.setColor(QPalette::WindowText, failed ? QColor(176, 0, 0) : QColor(80, 80, 96));
    log_status_->setPalette(palette);
}

} // namespace dopplex::app
