// The per-user settings store on Windows: the current user's registry hive. Keys are paths
// below HKEY_CURRENT_USER ("Software\Stoff\Orbitron"); REG_SZ reads as text, REG_EXPAND_SZ as
// expandable text (unexpanded), any other type as a non-text value. Called on the engine thread.
#pragma once

#include <string>

#include "tracker/link/settings_store.h"

namespace dopplex::settings {

class RegistrySettingsStore : public SettingsStore {
public:
    bool open_or_create_key(const std::string& key) override;
    SettingsValue read_value(const std::string& key, const std::string& name) override;
    void write_text(const std::string& key, const std::string& name,
                    const std::string& text) override;
};

} // namespace dopplex::settings
