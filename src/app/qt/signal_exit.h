// SIGINT, SIGTERM, SIGHUP and SIGQUIT end the program through its own exit sequence: the signal
// handler only writes a byte to a pipe, and the GUI thread, woken by a socket notifier, runs the
// action. SIGHUP and SIGQUIT stay ignored when the program was started with them ignored
// (nohup). One instance per process.
#pragma once

#include <QObject>

#include <functional>
#include <vector>

class QSocketNotifier;

namespace dopplex::app {

class SignalExit final : public QObject {
public:
    explicit SignalExit(std::function<void()> on_signal);
    ~SignalExit() override;

private:
    std::function<void()> on_signal_;
    QSocketNotifier* notifier_ = nullptr;
    std::vector<int> caught_;
};

} // namespace dopplex::app
