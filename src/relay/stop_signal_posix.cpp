#include "stop_signal.h"

#include <csignal>
#include <poll.h>
#include <stdexcept>
#include <sys/signalfd.h>
#include <unistd.h>

namespace dopplex::tracker {

StopSignal::StopSignal() {
    // Signals reach the program through a descriptor, never the server's thread.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    fd_ = signalfd(-1, &stop_signals, SFD_CLOEXEC);
    if (fd_ < 0) {
        throw std::runtime_error("cannot wait for signals");
    }
}

StopSignal::~StopSignal() {
    close(fd_);
}

bool StopSignal::wait_for(std::chrono::nanoseconds wait) {
    const long long ns = wait.count() > 0 ? wait.count() : 0;
    const timespec timeout{static_cast<time_t>(ns / 1000000000), ns % 1000000000};
    pollfd stop{fd_, POLLIN, 0};
    return ppoll(&stop, 1, &timeout, nullptr) > 0;
}

} // namespace dopplex::tracker
