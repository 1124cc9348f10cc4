// dopplex-tracker's command line.
#pragma once

#include <optional>
#include <string>

#include "hamlib/hamlib_options.h"
#include "pass/pass_script.h"
#include "tracker_server.h"

namespace dopplex::tracker {

struct Options {
    Satellite satellite;
    Schedule schedule;
    double time_factor = 1.0;
    std::string replay;
    std::string from_command;
    bool print = false;
    bool hamlib = false;
    HamlibOptions hamlib_options;
    TrackerServerOptions link;
};

#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif

// The --help text of the Windows or the Linux build.
std::string help_text(bool windows);

// Throws std::invalid_argument with a message for the operator; --help prints and exits.
Options parse_options(int argc, char** argv);

} // namespace dopplex::tracker
