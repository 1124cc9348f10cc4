#include "settings/registry_settings_store.h"

#include <windows.h>

#include <stdexcept>

namespace dopplex::settings {

namespace {

// Closes a key when it goes out of scope.
struct OpenKey {
    HKEY handle = nullptr;
    ~OpenKey() {
        if (handle != nullptr) {
            RegCloseKey(handle);
        }
    }
};

} // namespace

bool RegistrySettingsStore::open_or_create_key(const std::string& key) {
    OpenKey opened;
    return RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, nullptr, &opened.handle, nullptr) == ERROR_SUCCESS;
}

SettingsValue RegistrySettingsStore::read_value(const std::string& key, const std::string& name) {
    OpenKey opened;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE, &opened.handle) !=
        ERROR_SUCCESS) {
        return {};
    }
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(opened.handle, name.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    SettingsValue value;
    switch (type) {
    case REG_SZ:
        value.type = SettingsValue::Type::Text;
        break;
    case REG_EXPAND_SZ:
        value.type = SettingsValue::Type::ExpandableText;
        break;
    default:
        value.type = SettingsValue::Type::Other;
        return value;
    }
    // The value may change between the two reads: ask again while it grows.
    LONG status = ERROR_MORE_DATA;
    while (status == ERROR_MORE_DATA) {
        value.text.resize(size);
        status = RegQueryValueExA(opened.handle, name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(value.text.data()), &size);
    }
    if (status != ERROR_SUCCESS) {
        return {};
    }
    value.text.resize(size);
    // Stored text usually ends with its NUL; what follows the first NUL is not text.
    value.text.resize(value.text.find('\0') == std::string::npos ? value.text.size()
                                                                 : value.text.find('\0'));
    return value;
}

void RegistrySettingsStore::write_text(const std::string& key, const std::string& name,
                                       const std::string& text) {
    OpenKey opened;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &opened.handle, nullptr) != ERROR_SUCCESS ||
        RegSetValueExA(opened.handle, name.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1)) != ERROR_SUCCESS) {
        throw std::runtime_error("the registry value " + key + "\\" + name + " cannot be written");
    }
}

} // namespace dopplex::settings
