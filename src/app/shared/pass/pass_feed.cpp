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
    : recorder_(utc_now_ms) {
    session.station().add_listener(&recorder_);
    recorder_.add_observer(&window);
    session.on_cat_report([this](Side side, const std::string& line) {
        std::cerr << "dopplex: " << side_name(side) << ": " << line << "\n";
        recorder_.cat_reported(side, line);
    });
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
}

PassFeed::~PassFeed() = default;

} // namespace dopplex::app
