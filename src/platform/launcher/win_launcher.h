// Starts the tracker's command line as WinExec does: shown minimised without taking the focus
// (SW_SHOWMINNOACTIVE); the result is 33 when the program started, else WinExec's code below 32
// (2: file not found, 3: path not found, 5: access denied, 11: not a program, 0: out of
// resources). Returns once the program waits for input and `ready` answers true, the program
// ended, or the ready time-out passed. Called on the engine thread.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "tracker/link/launcher.h"

namespace dopplex::launch {

class WinLauncher : public Launcher {
public:
    // ready: whether the started program accepts connections now (asked every few ms).
    explicit WinLauncher(std::function<bool()> ready,
                         std::chrono::milliseconds ready_timeout = std::chrono::seconds(5));
    int launch(const std::string& command_line) override;
    // The process id of the last program started, or 0 (for tests and shutdown).
    unsigned long last_process_id() const { return last_process_id_; }

private:
    std::function<bool()> ready_;
    std::chrono::milliseconds ready_timeout_;
    unsigned long last_process_id_ = 0;
};

} // namespace dopplex::launch
