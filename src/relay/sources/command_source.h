// Serves what another program writes: runs a command through /bin/sh and publishes each line
// of its standard output (a CR before the newline dropped) as the tracking text. This is how a
// Windows tracker under Wine reaches the link: --from-command "wine dopplex-dde-bridge.exe".
// The command runs in a process group of its own with default signal handling and /dev/null as
// input. run() ends when the command itself ends, even while a background child still holds
// its output (its exit status goes to the notices and exit_code()), or on stop. Either way the
// whole group then gets SIGTERM, SIGKILL after the grace period, and every process of it is
// reaped. A line over kMaxLineBytes is refused with a notice and skipped, never buffered.
// Throws std::runtime_error when the command cannot be started.
#pragma once

#include <chrono>
#include <ostream>
#include <string>

#include "sources/tracking_source.h"

namespace dopplex::tracker {

class CommandSource final : public TrackingSource {
public:
    static constexpr std::size_t kMaxLineBytes = 64 * 1024;

    explicit CommandSource(std::string command, std::ostream& notices,
                           std::chrono::milliseconds grace = std::chrono::seconds(3));

    // Nothing until the command's first line.
    std::string first_text() const override { return {}; }
    void run(const Publish& publish, StopSignal& stop) override { run(publish, stop.fd()); }
    // Until the command ends or stop_fd becomes readable.
    void run(const Publish& publish, int stop_fd);
    // The command's exit status, 128 + the signal that ended it; 0 when it was stopped.
    int exit_code() const override { return exit_code_; }

private:
    std::string command_;
    std::ostream& notices_;
    std::chrono::milliseconds grace_;
    int exit_code_ = 0;
};

} // namespace dopplex::tracker
