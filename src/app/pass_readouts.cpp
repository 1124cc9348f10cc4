#include "pass_readouts.h"

#include "engine_session.h"
#include "main_window.h"
#include "window_layout.h"

#include <QLabel>

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
      log_status_(new QLabel(&window)) {
    recorder_.attach();
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

    log_status_->setGeometry(kLogStatus.x, kLogStatus.y, kLogStatus.w, kLogStatus.h);
}

PassReadouts::~PassReadouts() = default;

void PassReadouts::show_log_status(const QString& text, bool failed) {
    log_status_->setText(text);
    log_status_->setToolTip(text);
    log_status_->setStyleSheet(failed ? "color: #b00000;" : "color: #505060;");
}

} // namespace dopplex::app
