// The engine side of the pass readouts, for any window: the recorder that follows the engine
// with its own dial count, and the pass log on a thread of its own, with the log's status words.
// What the CAT radios report goes to the log and to the standard error.
// The window's observer hears the pass on the engine thread and only hands copies on. Built
// before the session starts; the session must be stopped before this is destroyed.
#pragma once

#include "pass_log_writer.h"
#include "pass_recorder.h"
#include "queued_observer.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace dopplex::app {

class EngineSession;

struct PassLogOption {
    std::optional<std::filesystem::path> folder; // none: no log
    std::string off_reason = "off";              // shown when there is no folder
};

class PassFeed {
public:
    // `log_status(text, failed)`: the log's status line, first from the constructor, then from
    // the log's thread; a failure is also written to the standard error once.
    using LogStatus = std::function<void(const std::string& text, bool failed)>;

    PassFeed(EngineSession& session, PassObserver& window, PassLogOption log, LogStatus status);
    ~PassFeed();

private:
    PassRecorder recorder_;
    std::unique_ptr<PassLogWriter> writer_;
    std::unique_ptr<QueuedObserver> log_;
};

std::int64_t utc_now_ms();

} // namespace dopplex::app
