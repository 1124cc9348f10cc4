#include "port_notice.h"

#include <windows.h>

namespace dopplex::app::win32 {

bool first_port_notice() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kDopplexSettingsKey, 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return true; // nowhere to remember it: better a box each time than never a word
    }
    const bool shown = RegQueryValueExW(key, kPortNoticeValue, nullptr, nullptr, nullptr,
                                        nullptr) == ERROR_SUCCESS;
    if (!shown) {
        const DWORD one = 1;
        RegSetValueExW(key, kPortNoticeValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                       sizeof one);
    }
    RegCloseKey(key);
    return !shown;
}

} // namespace dopplex::app::win32
