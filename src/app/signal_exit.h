// SIGINT, SIGTERM, SIGHUP and SIGQUIT end the program through its own exit sequence: the signal
// handler only writes a byte to a pipe, and the GUI thread, woken by a socket notifier, runs the
// action. One instance per process.
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace dopplex::app {

class SignalExit final : public QObject {
public:
    explicit SignalExit(std::function<void()> on_signal);
    ~SignalExit() override;

private:
    std::function<void()> on_signal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace dopplex::app
