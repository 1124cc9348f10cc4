// Where dopplexd finds its files, and the state file's reading and writing.
#pragma once

#include "daemon_config.h"

#include <filesystem>
#include <vector>

namespace dopplex::headless {

// /etc/dopplex/dopplexd.conf, then the user's file under $XDG_CONFIG_HOME (else ~/.config).
std::vector<std::filesystem::path> default_config_files();
// $STATE_DIRECTORY (systemd's StateDirectory=) first, else $XDG_STATE_HOME (else
// ~/.local/state)/dopplex.
std::filesystem::path default_state_file();

// A missing file is an empty state; one that cannot be read or parsed throws ConfigError.
DaemonState load_state(const std::filesystem::path& file);
// Writes a new file beside it and renames it over the old one, so a crash keeps one whole file;
// only its owner may read it (it holds the token). Throws ConfigError.
void save_state(const std::filesystem::path& file, const DaemonState& state);

// 32 hexadecimal digits from the system's random source.
std::string new_token();

} // namespace dopplex::headless
