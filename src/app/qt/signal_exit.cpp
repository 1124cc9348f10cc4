#include "signal_exit.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

namespace dopplex::app {

namespace {

int pipe_fds[2] = {-1, -1};

constexpr char kSignalByte = 1;
constexpr char kStopByte = 0;

// SIGHUP comes when the terminal that started the program closes; SIGQUIT (Ctrl-\) would
// otherwise dump core with a radio button held down. These two stay ignored when the program
// was started with them ignored (nohup, a script's background job).
struct Caught {
    int number;
    bool unless_ignored;
};
constexpr Caught kCaught[] = {{SIGINT, false}, {SIGTERM, false}, {SIGHUP, true}, {SIGQUIT, true}};

void on_signal_byte(int) {
    [[maybe_unused]] const auto written = ::write(pipe_fds[1], &kSignalByte, 1);
}

} // namespace

SignalExit::SignalExit(std::function<void()> on_signal) : on_signal_(std::move(on_signal)) {
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) {
        throw std::runtime_error(
            "Dopplex cannot watch for SIGINT, SIGTERM, SIGHUP and SIGQUIT: no pipe");
    }
    // A signal handler must never block on a full pipe; the watcher reads whole bursts.
    ::fcntl(pipe_fds[1], F_SETFL, O_NONBLOCK);
    watcher_ = std::thread([this] { watch(); });
    struct sigaction handler {};
    handler.sa_handler = on_signal_byte;
    sigemptyset(&handler.sa_mask);
    handler.sa_flags = SA_RESTART;
    for (const Caught& signal : kCaught) {
        struct sigaction before {};
        sigaction(signal.number, nullptr, &before);
        if (signal.unless_ignored && before.sa_handler == SIG_IGN) {
            continue;
        }
        sigaction(signal.number, &handler, nullptr);
        caught_.push_back(signal.number);
    }
}

SignalExit::~SignalExit() {
    for (const int number : caught_) {
        std::signal(number, SIG_DFL);
    }
    // Blocking: the stop byte must arrive even behind a burst of signal bytes.
    ::fcntl(pipe_fds[1], F_SETFL, 0);
    [[maybe_unused]] const auto written = ::write(pipe_fds[1], &kStopByte, 1);
    watcher_.join();
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);
    pipe_fds[0] = pipe_fds[1] = -1;
}

void SignalExit::watch() {
    for (;;) {
        char buffer[64];
        const ssize_t got = ::read(pipe_fds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return;
        }
        bool signalled = false;
        for (ssize_t i = 0; i < got; ++i) {
            if (buffer[i] == kStopByte) {
                return;
            }
            signalled = true;
        }
        if (signalled) {
            on_signal_();
        }
    }
}

} // namespace dopplex::app
