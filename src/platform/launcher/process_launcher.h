// Starts the tracker's command line without a shell, like the platform's launch: the result is
// 33 when the program started, else a code below 32 (2: file not found, 5: access denied,
// 11: not a program, 0: out of resources). Returns once the tracker accepts connections on its
// socket, the program ended, or the ready time-out passed. A waiter thread reaps the child, so
// no zombie is left. Called on the engine thread.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

#include "tracker/link/launcher.h"

namespace dopplex::launch {

inline constexpr int kLaunched = 33;

class ProcessLauncher : public Launcher {
public:
    // ready_socket: the socket the started tracker will listen on.
    explicit ProcessLauncher(std::string ready_socket,
                             std::chrono::milliseconds ready_timeout = std::chrono::seconds(5));
    // Sets a variable for every program started from now on (its own environment otherwise).
    void set_environment(const std::string& name, const std::string& value);
    // A first word without "/" is looked for in the current folder first, then on PATH.
    int launch(const std::string& command_line) override;
    // The process id of the last program started, or -1 (for tests and shutdown).
    pid_t last_pid() const { return last_pid_; }
    // Asks every program started here that still runs to end (SIGTERM to its process group)
    // and waits up to `grace` for them. A program that ended is never signalled.
    void end_started(std::chrono::milliseconds grace = std::chrono::seconds(2));

private:
    struct Child;
    std::string ready_socket_;
    std::chrono::milliseconds ready_timeout_;
    std::map<std::string, std::string> environment_;
    pid_t last_pid_ = -1;
    std::vector<std::shared_ptr<Child>> children_;
};

} // namespace dopplex::launch
