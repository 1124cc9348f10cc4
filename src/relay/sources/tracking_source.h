// What dopplex-tracker serves on the link comes from one source: a generated pass, a replayed
// recording, or a tracker that speaks Hamlib's network protocol. main() owns the link server
// and the stop signal; a source only produces texts, on the calling thread.
#pragma once

#include <functional>
#include <string>

#include "stop_signal.h"

namespace dopplex::tracker {

// Hands a new tracking text to the link, which tells its subscribers when the text changed.
using Publish = std::function<void(const std::string& text)>;

class TrackingSource {
public:
    virtual ~TrackingSource() = default;
    // The text served from the moment the link starts.
    virtual std::string first_text() const = 0;
    // Publishes texts until the source has no more or a stop is asked. Throws
    // std::runtime_error when the source cannot go on.
    virtual void run(const Publish& publish, StopSignal& stop) = 0;
    // The program's exit status once run() has returned.
    virtual int exit_code() const { return 0; }
};

} // namespace dopplex::tracker
