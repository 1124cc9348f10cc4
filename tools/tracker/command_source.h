// Serves what another program writes: runs a command through /bin/sh and publishes each line
// of its standard output (a CR before the newline dropped) as the tracking text. This is how a
// Windows tracker under Wine reaches the link: --from-command "wine dopplex-dde-bridge.exe".
// The command gets default signal handling and /dev/null as input. run() ends when the command
// ends (its exit status goes to the notices) or on stop: SIGTERM to the shell, SIGKILL after the
// grace period; the child is always reaped. The shell runs a single command as itself (exec), so
// the signals reach that command; a pipeline should end in "exec". A line over kMaxLineBytes is
// refused with a notice and skipped, never buffered. Throws std::runtime_error when the command
// cannot be started.
#pragma once

#include <chrono>
#include <ostream>
#include <string>

#include "tracking_source.h"

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

private:
    std::string command_;
    std::ostream& notices_;
    std::chrono::milliseconds grace_;
};

} // namespace dopplex::tracker
