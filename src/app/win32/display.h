// The window's scale and fonts: per-monitor DPI awareness, the layout's 96-dpi units scaled to
// the monitor, and the dialog font Windows has (Tahoma, else MS Sans Serif) at that scale.
#pragma once

#include <windows.h>

namespace dopplex::app::win32 {

// Before the first window: per-monitor aware where Windows knows it, else system aware.
void enable_dpi_awareness();
// The window's monitor's dots per inch (96 at 100 %).
UINT window_dpi(HWND window);

inline int scaled(int value, UINT dpi) {
    return MulDiv(value, static_cast<int>(dpi), 96);
}

// The outer size of a window whose client area is `width` x `height` layout units.
SIZE outer_size(int width, int height, DWORD style, DWORD ex_style, UINT dpi);

// The window's fonts at one scale, 8 points like the dialogs of the system.
class Fonts {
public:
    explicit Fonts(UINT dpi);
    ~Fonts();
    Fonts(const Fonts&) = delete;
    Fonts& operator=(const Fonts&) = delete;

    HFONT normal() const { return normal_; }
    HFONT bold() const { return bold_; }
    HFONT small() const { return small_; }
    HFONT tiny() const { return tiny_; }
    HFONT banner() const { return banner_; }

private:
    HFONT normal_, bold_, small_, tiny_, banner_;
};

} // namespace dopplex::app::win32
