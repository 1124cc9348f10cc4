// The pictures the main window paints itself: the banner, the two small satellites beside the
// current-Doppler fields, and the LED panel with the port in use and its health. `place` is in
// layout units; the pictures scale with `dpi`. No behaviour.
#pragma once

#include "display.h"
#include "port/supervised_port.h"
#include "window_layout.h"

#include <windows.h>

#include <functional>

namespace dopplex::app::win32 {

// Answers WM_PAINT off screen first, so that what changes often does not flicker: `draw` paints
// the whole client area on a memory DC, whose part to repaint then goes to the screen.
void paint_off_screen(HWND window, const std::function<void(HDC dc, const RECT& client)>& draw);

void paint_banner(HDC dc, const Rect& place, const Fonts& fonts, UINT dpi);
// downlink: the arrow points down to the station (RX), else up to the satellite (TX).
void paint_satellite(HDC dc, const Rect& place, bool downlink, const Fonts& fonts, UINT dpi);
// `status` is nullptr before the port has said anything.
void paint_led_panel(HDC dc, const Rect& place, const port::PortStatus* status, const Fonts& fonts,
                     UINT dpi);

} // namespace dopplex::app::win32
