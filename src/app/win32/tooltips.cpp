#include "tooltips.h"

#include "wide_text.h"

#include <commctrl.h>

namespace dopplex::app::win32 {

Tooltips::Tooltips(HWND owner, HINSTANCE instance, int max_width)
    : owner_(owner),
      tips_(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner,
                            nullptr, instance, nullptr)) {
    SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, max_width);
}

void Tooltips::set(HWND control, const std::string& text) {
    std::wstring wide = to_wide(text, true);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner_;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = wide.data();
    if (text.empty()) {
        SendMessageW(tips_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        return;
    }
    // Adding a tool twice keeps the first: a known one only gets its new text.
    if (!SendMessageW(tips_, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool))) {
        SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    tool.lpszText = wide.data();
    SendMessageW(tips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

} // namespace dopplex::app::win32
