// UTF-8, as the model keeps its texts, to and from the UTF-16 of the Windows API.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace dopplex::app::win32 {

// With `crlf`, every line break becomes CR LF, as edit and static controls want.
std::wstring to_wide(std::string_view text, bool crlf = false);
std::string to_utf8(std::wstring_view text);
// What a window (an edit field, a label) shows.
std::wstring window_text(HWND window);

} // namespace dopplex::app::win32
