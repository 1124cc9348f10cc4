// Where every visible control of the main window sits, and the static captions beside them.
// Pure data for the view; the model decides texts and states.
#pragma once

#include <span>
#include <string_view>

namespace dopplex::app {

inline constexpr std::string_view kWindowCaption = "Brenwick - \"Dopplex\" Ver.1.00  for Orbitron ";
inline constexpr std::string_view kFooterText =
    "Dopplex 1.00  -  Doppler compensation for push-button radios, driven by the tracker once a "
    "second.  Arrow keys: RX up/down, TX left/right.";
inline constexpr std::string_view kStepFrameTitle = "Frequency step";
// The banner's three lines: the name, what it does, its version.
inline constexpr std::string_view kBannerLines[] = {
    "Dopplex", "Doppler tuning for UP/DOWN button radios",
    "Version 1.00  -  follows the Orbitron tracker"};

inline constexpr int kWindowWidth = 828;
inline constexpr int kWindowHeight = 687; // the closed loop's three rows above the footer

struct Placement {
    std::string_view name;
    int x, y, w, h;
};

enum class CaptionStyle { Plain, Bold, Rush, Title };

struct Caption {
    std::string_view text;
    int x, y, w, h;
    CaptionStyle style = CaptionStyle::Plain;
    bool right_aligned = false;
};

// Every visible control of the model has exactly one placement.
std::span<const Placement> control_placements();
std::span<const Caption> captions();

// The tooltip of a button that a key also presses, naming the key; empty for the others.
std::string_view key_hint(std::string_view name);

// The decorative pieces.
struct Rect {
    int x, y, w, h;
};
inline constexpr Rect kBanner{441, 8, 353, 137};
inline constexpr Rect kRxSatellite{218, 316, 73, 89};
inline constexpr Rect kTxSatellite{218 + 414, 316, 73, 89};
inline constexpr Rect kTrackingFrame{6, 6, 396, 146};
inline constexpr Rect kStepFrame{8, 436, 190, 90};
inline constexpr Rect kLedPanel{422, 436, 398, 100};
inline constexpr Rect kFooter{8, 668, 812, 16};
inline constexpr Rect kLinkStatus{8, 548, 480, 16};
// The pass readouts: the countdown at the right of the notification line, the log's status
// under the link's, the plot's button beside Help.
inline constexpr Rect kAosCountdown{250, 134, 144, 16};
inline constexpr Rect kLogStatus{8, 564, 480, 16};
inline constexpr Rect kPlotButton{494, 546, 96, 28};
// Under each side's two logs; the TX one mirrors the RX one.
inline constexpr Rect kRxTrainBar{8, 410, 206, 18};
inline constexpr Rect kTxTrainBar{8 + 414, 410, 206, 18};
// Each side's Stop, under its dial and beside its bar: RX, TX.
inline constexpr Rect kStopButtons[2]{{296, 410, 96, 20}, {296 + 414, 410, 96, 20}};
inline constexpr Rect kLiveReadout{8, 532, 410, 16};
inline constexpr Rect kRxDial{296, 362, 96, 44};
inline constexpr Rect kTxDial{296 + 414, 362, 96, 44};

} // namespace dopplex::app
