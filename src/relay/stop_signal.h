// The operator's request to stop the program: SIGTERM or SIGINT on Linux; Ctrl-C, Ctrl-Break
// or the console's closing on Windows. Make one at the start of main(), before any thread: on
// Linux it blocks those signals so that only this object takes them.
#pragma once

#include <chrono>

namespace dopplex::tracker {

class StopSignal {
public:
    StopSignal(); // throws std::runtime_error when the signals cannot be waited for
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    // Waits up to `wait`; true when a stop was asked.
    bool wait_for(std::chrono::nanoseconds wait);
#ifndef _WIN32
    // Readable once a stop was asked, for a poll loop.
    int fd() const { return fd_; }

private:
    int fd_ = -1;
#endif
};

} // namespace dopplex::tracker
