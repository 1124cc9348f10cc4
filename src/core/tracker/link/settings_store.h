// The per-user settings store the link reads the tracker's command from, and the windows keep the
// tracking settings in: a file on Linux, the registry on Windows, fakes in tests.
#pragma once

#include <stdexcept>
#include <string>

namespace dopplex {

// A typed value of the per-user settings store (the registry's stand-in).
struct SettingsValue {
    enum class Type { Absent, Text, ExpandableText, Other };
    Type type = Type::Absent;
    std::string text;
};

// The settings store exists but cannot be read; the message names it and the reason. The store
// is left as it is; start-up reports the error and goes on with the tracker's default command.
class SettingsReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The per-user settings store: keys hold typed named values. Both calls raise SettingsReadError
// when the store cannot be read.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // Opens the key, creating it when absent; false when it can be neither opened nor created.
    virtual bool open_or_create_key(const std::string& key) = 0;
    // The value, or Type::Absent when the key or the value does not exist.
    virtual SettingsValue read_value(const std::string& key, const std::string& name) = 0;
    // Sets a text value, creating the key; throws std::runtime_error when it cannot be written.
    virtual void write_text(const std::string& key, const std::string& name,
                            const std::string& text) {
        (void)text;
        throw std::runtime_error("the settings cannot be written: " + key + "\\" + name);
    }
};

} // namespace dopplex
