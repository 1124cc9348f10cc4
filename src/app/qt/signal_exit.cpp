#include "signal_exit.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace dopplex::app {

namespace {

int pipe_fds[2] = {-1, -1};

// SIGHUP comes when the terminal that started the program closes; SIGQUIT (Ctrl-\) would
// otherwise dump core with a radio button held down. These two stay ignored when the program
// was started with them ignored (nohup, a script's background job).
struct Caught {
    int number;
    bool unless_ignored;
};
constexpr Caught kCaught[] = {{SIGINT, false}, {SIGTERM, false}, {SIGHUP, true}, {SIGQUIT, true}};

void on_signal_byte(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(pipe_fds[1], &byte, 1);
}

} // namespace

SignalExit::SignalExit(std::function<void()> on_signal) : on_signal_(std::move(on_signal)) {
    if (::pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error(
            "Dopplex cannot watch for SIGINT, SIGTERM, SIGHUP and SIGQUIT: no pipe");
    notifier_ = new QSocketNotifier(pipe_fds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        while (::read(pipe_fds[0], buffer, sizeof buffer) > 0) {
        }
        on_signal_();
    });
    struct sigaction handler {};
    handler.sa_handler = on_signal_byte;
    sigemptyset(&handler.sa_mask);
    handler.sa_flags = SA_RESTART;
    for (const Caught& signal : kCaught) {
        struct sigaction before {};
        sigaction(signal.number, nullptr, &before);
        if (signal.unless_ignored && before.sa_handler == SIG_IGN)
            continue;
        sigaction(signal.number, &handler, nullptr);
        caught_.push_back(signal.number);
    }
}

SignalExit::~SignalExit() {
    for (const int number : caught_)
        std::signal(number, SIG_DFL);
    delete notifier_;
    notifier_ = nullptr;
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);
    pipe_fds[0] = pipe_fds[1] = -1;
}

} // namespace dopplex::app
