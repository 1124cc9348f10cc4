// Socket waits and sends that a closing program can cut short: an eventfd that, once raised,
// stays readable and is polled beside the socket. Owned by the link's client; raise() may be
// called from any thread, waits run on the caller's. Constructing raises LinkStartError when the
// system has no file descriptor left.
#pragma once

#include <chrono>
#include <string>

namespace dopplex::link {

class Interrupter {
public:
    using Clock = std::chrono::steady_clock;
    enum class Wait { Ready, TimedOut, Interrupted };

    Interrupter();
    ~Interrupter();
    Interrupter(const Interrupter&) = delete;
    Interrupter& operator=(const Interrupter&) = delete;

    // Every wait from now on, and the one under way, ends with Interrupted.
    void raise();
    // Waits until fd has one of `events` (POLLIN, POLLOUT; a hang-up or error counts as ready),
    // the deadline passes or raise() is called.
    Wait wait(int fd, short events, Clock::time_point deadline) const;
    // Sends all bytes without blocking past the deadline; false on error, time-out or raise().
    bool send_all(int fd, const std::string& bytes, Clock::time_point deadline) const;

private:
    int event_fd_ = -1;
};

} // namespace dopplex::link
