#include "display.h"

#include <initializer_list>

namespace dopplex::app::win32 {

namespace {

template <typename Function> Function user32_function(const char* name) {
    // Looked up, not linked, so the program still starts where Windows lacks them.
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

int CALLBACK note_family(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool has_family(const wchar_t* family) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(wanted.lfFaceName, family, LF_FACESIZE);
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &wanted, note_family, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

const wchar_t* dialog_family() {
    static const wchar_t* const family = has_family(L"Tahoma") ? L"Tahoma" : L"MS Sans Serif";
    return family;
}

HFONT make_font(UINT dpi, int points_tenths, int weight) {
    const int height = -MulDiv(points_tenths, static_cast<int>(dpi), 720);
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, dialog_family());
}

} // namespace

void enable_dpi_awareness() {
    using SetContext = BOOL(WINAPI*)(HANDLE);
    if (auto set = user32_function<SetContext>("SetProcessDpiAwarenessContext")) {
        // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, else the first per-monitor awareness.
        if (set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4))) ||
            set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3)))) {
            return;
        }
    }
    SetProcessDPIAware();
}

UINT window_dpi(HWND window) {
    using GetDpi = UINT(WINAPI*)(HWND);
    if (auto get = user32_function<GetDpi>("GetDpiForWindow")) {
        if (const UINT dpi = get(window)) {
            return dpi;
        }
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

SIZE outer_size(int width, int height, DWORD style, DWORD ex_style, UINT dpi) {
    RECT r{0, 0, scaled(width, dpi), scaled(height, dpi)};
    using Adjust = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    if (auto adjust = user32_function<Adjust>("AdjustWindowRectExForDpi")) {
        adjust(&r, style, FALSE, ex_style, dpi);
    } else {
        AdjustWindowRectEx(&r, style, FALSE, ex_style);
    }
    return SIZE{r.right - r.left, r.bottom - r.top};
}

Fonts::Fonts(UINT dpi)
    : normal_(make_font(dpi, 80, FW_NORMAL)), bold_(make_font(dpi, 80, FW_BOLD)),
      small_(make_font(dpi, 70, FW_BOLD)), tiny_(make_font(dpi, 65, FW_NORMAL)),
      banner_(make_font(dpi, 240, FW_BOLD)) {}

Fonts::~Fonts() {
    for (HFONT font : {normal_, bold_, small_, tiny_, banner_}) {
        DeleteObject(font);
    }
}

} // namespace dopplex::app::win32
