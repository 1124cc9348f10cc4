#include "window_layout.h"

#include <array>
#include <vector>

namespace dopplex::app {

namespace {

constexpr int kTxShift = 414; // the TX half mirrors the RX half this far to the right

struct Twin {
    std::string_view rx, tx;
    int x, y, w, h;
};

// RX and TX controls side by side: one row, two placements.
constexpr std::array kTwins{
    Twin{"Edit1", "Edit13", 8, 180, 136, 21},       Twin{"Edit2", "Edit14", 150, 180, 136, 21},
    Twin{"Button1", "Button12", 296, 176, 96, 29},  Twin{"Button2", "Button20", 8, 210, 80, 25},
    Twin{"Button3", "Button21", 92, 210, 80, 25},   Twin{"Button7", "Button15", 296, 210, 47, 25},
    Twin{"Button9", "Button16", 345, 210, 47, 25},  Twin{"Button11", "Button19", 8, 244, 120, 29},
    Twin{"Edit8", "Edit19", 296, 254, 96, 21},      Twin{"Edit7", "Edit22", 296, 296, 96, 21},
    Twin{"Button22", "Button23", 296, 330, 96, 27}, Twin{"Memo1", "Memo3", 8, 312, 102, 96},
    Twin{"Memo2", "Memo4", 112, 312, 102, 96},
};

constexpr std::array kSingles{
    // The received string: two full-width lines under its caption.
    Placement{"l_st", 12, 30, 381, 36},           Placement{"l_na", 104, 70, 98, 16},
    Placement{"l_az", 104, 86, 98, 16},           Placement{"l_el", 104, 102, 98, 16},
    Placement{"l_dd", 104, 118, 98, 16},          Placement{"l_uf", 290, 70, 104, 16},
    Placement{"l_df", 290, 86, 104, 16},          Placement{"l_um", 290, 102, 104, 16},
    Placement{"l_dm", 290, 118, 104, 16},         Placement{"l_aos", 104, 134, 144, 16},
    Placement{"RadioButton1", 18, 454, 176, 20},  Placement{"RadioButton2", 18, 476, 176, 20},
    Placement{"RadioButton3", 18, 498, 176, 20},  Placement{"CheckBox1", 208, 440, 206, 20},
    Placement{"CheckBox2", 208, 462, 206, 20},    Placement{"CheckBox3", 208, 484, 206, 20},
    Placement{"Edit9", 286, 512, 64, 21},         Placement{"Button6", 600, 546, 96, 28},
    Placement{"SpeedButton1", 706, 546, 114, 28},
};

std::vector<Placement> build_placements() {
    std::vector<Placement> out(kSingles.begin(), kSingles.end());
    for (const Twin& t : kTwins) {
        out.push_back(Placement{t.rx, t.x, t.y, t.w, t.h});
        out.push_back(Placement{t.tx, t.x + kTxShift, t.y, t.w, t.h});
    }
    return out;
}

struct TwinCaption {
    std::string_view rx, tx;
    int x, y, w, h;
    CaptionStyle style;
    bool right_aligned;
};

constexpr std::array kTwinCaptions{
    TwinCaption{"RX  receiver (downlink)", "TX  transmitter (uplink)", 8, 158, 250, 18,
                CaptionStyle::Title, false},
    TwinCaption{"RUSH !", "RUSH !", 134, 244, 120, 15, CaptionStyle::Rush, false},
    TwinCaption{"    Skip  Tuning   ", "    Skip  Tuning   ", 134, 259, 120, 15,
                CaptionStyle::Plain, false},
    TwinCaption{"Doppler Outset", "Doppler Outset", 220, 239, 172, 15, CaptionStyle::Plain, true},
    TwinCaption{"Current  Doppler (rounded) ", "Current  Doppler (rounded)", 220, 281, 172, 15,
                CaptionStyle::Plain, true},
    TwinCaption{" RX  Tuning \n    UP  Channel    ", " TX  Tuning \n    UP  Channel    ", 8, 282,
                102, 28, CaptionStyle::Plain, false},
    TwinCaption{" RX  Tuning\n DOWN  Channel ", " TX  Tuning \n DOWN  Channel ", 112, 282, 102, 28,
                CaptionStyle::Plain, false},
};

constexpr std::array kSingleCaptions{
    Caption{"Received string (as applied):", 12, 12, 380, 16},
    Caption{"Sat name:", 12, 70, 90, 16},
    Caption{"Azimuth:", 12, 86, 90, 16},
    Caption{"Elevation:", 12, 102, 90, 16},
    Caption{"DDE conv. status:", 12, 118, 90, 16},
    Caption{"Uplink:", 204, 70, 84, 16},
    Caption{"Downlink:", 204, 86, 84, 16},
    Caption{"Uplink mode:", 204, 102, 84, 16},
    Caption{"Downlink mode:", 204, 118, 84, 16},
    Caption{"Notification:", 12, 134, 90, 16},
    Caption{"Elevation  ", 208, 514, 76, 16, CaptionStyle::Plain, true},
};

std::vector<Caption> build_captions() {
    std::vector<Caption> out(kSingleCaptions.begin(), kSingleCaptions.end());
    for (const TwinCaption& t : kTwinCaptions) {
        out.push_back(Caption{t.rx, t.x, t.y, t.w, t.h, t.style, t.right_aligned});
        out.push_back(Caption{t.tx, t.x + kTxShift, t.y, t.w, t.h, t.style, t.right_aligned});
    }
    return out;
}

struct KeyHint {
    std::string_view name, text;
};

// The arrow keys step a radio wherever the focus is; Enter clicks the focused button, else the
// receiver's first Adjust.
constexpr std::string_view kFocusedAdjust =
    "Sends the drift since the Tune (Enter when it has the focus)";
constexpr std::array kKeyHints{
    KeyHint{"Button2", "One step up for the receiver (Up arrow key)"},
    KeyHint{"Button3", "One step down for the receiver (Down arrow key)"},
    KeyHint{"Button20", "One step up for the transmitter (Left arrow key)"},
    KeyHint{"Button21", "One step down for the transmitter (Right arrow key)"},
    KeyHint{"Button7", "Sends the drift since the Tune (Enter)"},
    KeyHint{"Button9", kFocusedAdjust},
    KeyHint{"Button15", kFocusedAdjust},
    KeyHint{"Button16", kFocusedAdjust},
};

} // namespace

std::string_view key_hint(std::string_view name) {
    for (const KeyHint& hint : kKeyHints) {
        if (hint.name == name) {
            return hint.text;
        }
    }
    return {};
}

std::span<const Placement> control_placements() {
    static const std::vector<Placement> placements = build_placements();
    return placements;
}

std::span<const Caption> captions() {
    static const std::vector<Caption> all = build_captions();
    return all;
}

} // namespace dopplex::app
