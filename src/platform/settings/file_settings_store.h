// The per-user settings store on Linux: one text file standing in for the current user's
// registry hive ($XDG_CONFIG_HOME/dopplex/registry, else ~/.config/dopplex/registry). Keys are
// "[Software\Stoff\Orbitron]" lines, values "name=type:text" lines below them, with type sz
// (text), expand_sz (expandable text) or any other word (a non-text value); bytes outside
// printable ASCII and the characters % = [ ] are written %XX. Keys and value names compare
// without regard to case. Every change is written to a temporary file and renamed over the old
// one, so a crash never leaves half a file; the old file's line ends (LF or CR LF) and
// permissions are kept, and a symbolic link is written through, not replaced. Lines it cannot
// read are kept as they are. A file that cannot be read, or anything but a regular file in its
// place, raises SettingsReadError and is never rewritten.
#pragma once

#include <string>

#include "tracker/link/settings_store.h"

namespace dopplex::settings {

class FileSettingsStore : public SettingsStore {
public:
    explicit FileSettingsStore(std::string file);
    // The per-user file from the environment.
    static std::string default_file();

    bool open_or_create_key(const std::string& key) override;
    SettingsValue read_value(const std::string& key, const std::string& name) override;
    // Sets a value, creating the key; type_word is "sz", "expand_sz" or any other type's name.
    // Throws std::runtime_error when the file cannot be read or written.
    void write_value(const std::string& key, const std::string& name, const std::string& type_word,
                     const std::string& text);
    void write_text(const std::string& key, const std::string& name,
                    const std::string& text) override {
        write_value(key, name, "sz", text);
    }

private:
    std::string file_;
};

} // namespace dopplex::settings
