// SIGINT, SIGTERM, SIGHUP and SIGQUIT end the program through its own exit sequence: the signal
// handler only writes a byte to a pipe, and a watcher thread of its own, not the GUI thread,
// runs the action, so the ending never waits behind what is queued to the window. SIGHUP and
// SIGQUIT stay ignored when the program was started with them ignored (nohup). One instance
// per process.
#pragma once

#include <functional>
#include <thread>
#include <vector>

namespace dopplex::app {

class SignalExit final {
public:
    // `on_signal` runs on the watcher thread, once per burst of signals.
    explicit SignalExit(std::function<void()> on_signal);
    ~SignalExit();
    SignalExit(const SignalExit&) = delete;
    SignalExit& operator=(const SignalExit&) = delete;

private:
    void watch();

    std::function<void()> on_signal_;
    std::vector<int> caught_;
    std::thread watcher_;
};

} // namespace dopplex::app
