// The pictures the main window paints itself: the banner, the two small satellites beside the
// current-Doppler fields, the LED panel with the port in use and its health, the frames and the
// train bars. `place` is in
// layout units; the pictures scale with `dpi`. No behaviour.
#pragma once

#include "display.h"
#include "keying/train_progress.h"
#include "port/supervised_port.h"
#include "window_layout.h"

#include <windows.h>

#include <functional>
#include <optional>

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
// The tracking data's sunken frame and the step group's etched one with its title. Painted, not
// child windows: a child would lie over the controls inside it.
void paint_frames(HDC dc, const Fonts& fonts, UINT dpi);
// A side's train: done in `done_brush`, its words over it; empty before any train.
void paint_train_bar(HDC dc, const RECT& r, const std::optional<TrainProgress>& train,
                     const Fonts& fonts, HBRUSH done_brush);

} // namespace dopplex::app::win32
