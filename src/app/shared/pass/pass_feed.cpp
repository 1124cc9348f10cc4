#include "pass_feed.h"

#include "engine_session.h"

#include <chrono>
#include <iostream>

namespace dopplex::app {

std::int64_t utc_now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

PassFeed::PassFeed(EngineSession& session, PassObserver& window, PassLogOption log,
                   LogStatus status)
    : recorder_(session.form(), dial_, utc_now_ms) {
    recorder_.attach();
    session.on_reference(
        [this](Side side, double reference_hz) { recorder_.reference_done(side, reference_hz); });
    recorder_.add_observer(&window);
    if (log.folder) {
        writer_ = std::make_unique<PassLogWriter>(
            *log.folder,
            [status](const std::string& message) {
                std::cerr << "dopplex: " << message << "\n";
                status(message, true);
            },
            [status](const std::filesystem::path& file) {
                status("Pass log: " + file.string(), false);
            });
        log_ = std::make_unique<QueuedObserver>(*writer_);
        recorder_.add_observer(log_.get());
        status("Pass log: from the next AOS in " + log.folder->string(), false);
    } else {
        status("Pass log: " + log.off_reason, false);
    }
    session.add_port_listener(&recorder_);
    session.set_handler_wrapper([this](EventKind kind, const std::function<void()>& handler) {
        recorder_.run_handler(kind, handler);
    });
}

PassFeed::~PassFeed() = default;

} // namespace dopplex::app
