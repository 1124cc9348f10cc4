#include "pass_readouts.h"

#include "aos_countdown.h"
#include "engine_session.h"
#include "main_window.h"
#include "window_layout.h"

#include <QLabel>
#include <QPushButton>

#include <chrono>
#include <iostream>

namespace dopplex::app {

namespace {

std::int64_t utc_now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

} // namespace

PassReadouts::PassReadouts(EngineSession& session, MainWindow& window, PassLogOption log)
    : recorder_(session.form(), dial_, utc_now_ms), log_option_(std::move(log)),
      plot_button_(new QPushButton("Pass plot", &window)), countdown_(new QLabel(&window)),
      log_status_(new QLabel(&window)), heard_(this, [this](std::vector<Heard>& batch) {
          for (const Heard& heard : batch)
              show(heard);
      }) {
    recorder_.attach();
    recorder_.add_observer(this);
    if (log_option_.folder) {
        QPointer<PassReadouts> self(this);
        const auto tell = [self](const QString& text, bool failed) {
            QMetaObject::invokeMethod(
                self, [self, text, failed] { self->show_log_status(text, failed); },
                Qt::QueuedConnection);
        };
        writer_ = std::make_unique<PassLogWriter>(
            *log_option_.folder,
            [tell](const std::string& message) {
                std::cerr << "dopplex: " << message << "\n";
                tell(QString::fromStdString(message), true);
            },
            [tell](const std::filesystem::path& file) {
                tell("Pass log: " + QString::fromStdString(file.string()), false);
            });
        log_ = std::make_unique<QueuedObserver>(*writer_);
        recorder_.add_observer(log_.get());
        show_log_status("Pass log: from the next AOS in " +
                            QString::fromStdString(log_option_.folder->string()),
                        false);
    } else {
        show_log_status("Pass log: " + QString::fromStdString(log_option_.off_reason), false);
    }
    session.add_port_listener(&recorder_);
    session.set_handler_wrapper([this](EventKind kind, const std::function<void()>& handler) {
        recorder_.run_handler(kind, handler);
    });

    plot_button_->setGeometry(kPlotButton.x, kPlotButton.y, kPlotButton.w, kPlotButton.h);
    plot_button_->setCheckable(true);
    plot_button_->setFocusPolicy(Qt::NoFocus); // Enter and space stay the engine's keys
    plot_button_->setToolTip("Show or hide the plot of the pass so far");
    connect(plot_button_, &QPushButton::toggled, &plot_, &QWidget::setVisible);
    connect(&plot_, &PassPlot::hidden, plot_button_, [this] { plot_button_->setChecked(false); });

    countdown_->setGeometry(kAosCountdown.x, kAosCountdown.y, kAosCountdown.w, kAosCountdown.h);
    countdown_->setAlignment(Qt::AlignRight | Qt::AlignTop);
    QPalette blue = countdown_->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 200));
    countdown_->setPalette(blue);
    log_status_->setGeometry(kLogStatus.x, kLogStatus.y, kLogStatus.w, kLogStatus.h);

    connect(&tick_, &QTimer::timeout, this, [this] { show_countdown(); });
    tick_.start(1000);
}

PassReadouts::~PassReadouts() = default;

void PassReadouts::pass_started(const TrackingPoint& aos) {
    heard_.post([&](std::vector<Heard>& batch) { batch.emplace_back(PassStart{aos}); });
}

void PassReadouts::tracking_update(const TrackingPoint& point) {
    heard_.post([&](std::vector<Heard>& batch) {
        batch.emplace_back(point);
        // Only the start names the pass; a tracker may send a long name with every update.
        std::get<TrackingPoint>(batch.back()).satellite.clear();
    });
}

void PassReadouts::pulse_sent(const PulseRecord& pulse) {
    heard_.post([&](std::vector<Heard>& batch) { batch.emplace_back(pulse); });
}

void PassReadouts::show(const Heard& heard) {
    if (const auto* start = std::get_if<PassStart>(&heard)) {
        plot_.start(start->aos);
    } else if (const auto* point = std::get_if<TrackingPoint>(&heard)) {
        plot_.add(*point);
        aos_text_ = point->aos_text;
        elevation_deg_ = point->elevation_deg;
        show_countdown();
    } else {
        plot_.add(std::get<PulseRecord>(heard));
    }
}

void PassReadouts::show_countdown() {
    countdown_->setText(
        QString::fromStdString(aos_countdown_text(aos_text_, elevation_deg_, utc_now_ms())));
}

void PassReadouts::show_log_status(const QString& text, bool failed) {
    log_status_->setText(text);
    log_status_->setToolTip(text);
    QPalette palette = log_status_->palette();
    palette.setColor(QPalette::WindowText, failed ? QColor(176, 0, 0) : QColor(80, 80, 96));
    log_status_->setPalette(palette);
}

} // namespace dopplex::app
