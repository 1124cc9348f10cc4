// Where dopplexd finds its files, and the state file's reading and writing.
#pragma once

#include "daemon_config.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace dopplex::headless {

// /etc/dopplex/dopplexd.conf, then the user's file under $XDG_CONFIG_HOME (else ~/.config).
std::vector<std::filesystem::path> default_config_files();
// $STATE_DIRECTORY (systemd's StateDirectory=) first, else $XDG_STATE_HOME (else
// ~/.local/state)/dopplex.
std::filesystem::path default_state_file();

// A missing file is an empty state; one that cannot be read or parsed throws ConfigError.
DaemonState load_state(const std::filesystem::path& file);
// What the state file held, or an empty state when it could not be used: then the file is
// renamed to "<file>.bad-<UTC time>" (kept for the operator, out of the way of the next save) and
// `set_aside` says why, for the journal. The offsets are only learnt: a bad file must not keep
// the station from starting.
struct UsableState {
    DaemonState state;
    std::string set_aside;
};
// A file whose offsets do not fit `config`'s steps (check_state) is set aside too.
UsableState load_state_or_set_aside(const std::filesystem::path& file, const DaemonConfig& config,
                                    std::chrono::system_clock::time_point now);
// Writes a new file beside it and renames it over the old one, so a crash keeps one whole file;
// only its owner may read it (it holds the token). Throws ConfigError.
void save_state(const std::filesystem::path& file, const DaemonState& state);

// 32 hexadecimal digits from the system's random source.
std::string new_token();

} // namespace dopplex::headless
