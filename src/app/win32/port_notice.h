// Whether the port's start-up fault (no inpoutx64.dll, its driver not installed) still deserves
// a message box: the first time it does, and that is remembered in the registry
// (HKEY_CURRENT_USER\Software\Dopplex, value PortNoticeShown); later starts say it on the LED
// panel only.
#pragma once

namespace dopplex::app::win32 {

inline constexpr const wchar_t* kDopplexSettingsKey = L"Software\\Dopplex";
inline constexpr const wchar_t* kPortNoticeValue = L"PortNoticeShown";

// True once per user: marks the notice shown and asks for the box.
bool first_port_notice();

} // namespace dopplex::app::win32
