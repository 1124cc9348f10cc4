// The program's options: --port SPEC, --tracking MODE, --rx-radio and --tx-radio RADIO,
// --no-log, --demo (Linux), --help and --version. The port choice itself (option, then
// DOPPLEX_PORT, then the default) is the port area's; this only reads the words.
#pragma once

#include "cat/cat_address.h"
#include "loop/loop_settings.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace dopplex::app {

struct CommandLine {
    bool help = false;
    bool version = false;
    bool no_log = false;
    bool demo = false; // play a made-up pass instead of following a tracker
    std::optional<std::string> port;
    std::optional<TrackingMode> tracking; // none: as the settings remember it
    // The sides given a radio (none: its push buttons); the others as the settings remember.
    std::map<Side, std::optional<CatAddress>> radios;
    std::string error; // not empty: the words could not be read
};

CommandLine parse_command_line(const std::vector<std::string>& args);

#ifdef _WIN32
inline constexpr bool kWindowsBuild = true;
#else
inline constexpr bool kWindowsBuild = false;
#endif

// The --help text of the Windows or the Linux build, naming the port that would be used.
std::string usage_text(const std::string& port_in_use, bool windows = kWindowsBuild);

} // namespace dopplex::app
