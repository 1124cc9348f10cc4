// How the tracker link starts the tracker when nobody answers: posix_spawn on Linux, CreateProcess
// on Windows, fakes in tests. Called on the engine thread.
#pragma once

#include <string>

namespace dopplex {

// Starts the tracker's command line; like the platform's launch, a result of 32 or more means
// the program started. Returns once the program is ready for connections or after a bounded wait.
class Launcher {
public:
    virtual ~Launcher() = default;
    virtual int launch(const std::string& command_line) = 0;
};

} // namespace dopplex
