// Reads and replaces the settings file as whole lines. Reading never blocks and never takes
// anything but a regular file; a missing file reads as no lines. Writing keeps the file's line
// ends and permissions and goes through symbolic links, so a linked file stays linked.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace dopplex::settings {

struct SettingsText {
    std::vector<std::string> lines; // without their line ends
    bool crlf = false;              // the file's lines end in CR LF
    std::optional<mode_t> mode;     // the file's permission bits, when it exists
};

// Throws SettingsReadError naming the file and the reason when it exists but cannot be read.
SettingsText read_settings_text(const std::string& file);

// Replaces the file (or the file its links lead to) by writing a temporary file beside it and
// renaming it over the old one. Throws std::runtime_error when that fails.
void write_settings_text(const std::string& file, const SettingsText& text);

} // namespace dopplex::settings
