#include "control_style.h"

#include "classic/tfmain.h"

#include <set>

namespace dopplex::app {

namespace {

const std::set<std::string> kBoldControls{"Button1", "Button12", "Button11", "Button19",
                                          "SpeedButton1"};

constexpr std::uint32_t kDisplayBlue = 0xC80000;
constexpr std::uint32_t kFieldGrey = 0xC0C0C0;
constexpr std::uint32_t kLogNavy = 0x4A2010;
constexpr std::uint32_t kTypingBack = 0xFFFFFF;

} // namespace

ControlStyle control_style(const Control& control) {
    const std::string& name = control.name();
    ControlStyle style;
    style.bold = kBoldControls.count(name) != 0;
    switch (control.kind()) {
    case ControlKind::Label:
        style.text_color = kDisplayBlue;
        break;
    case ControlKind::Edit:
        style.editable = takes_typing(name);
        if (name == "Edit9") {
            style.back_color = 0x808080;
            style.text_color = 0xFFFFFF;
        } else if (style.editable) {
            style.back_color = kTypingBack;
            style.text_color = 0x000000;
        } else {
            const FieldColors colors = read_only_field_colors(control.font_color());
            style.back_color = colors.back;
            style.text_color = colors.text;
        }
        break;
    case ControlKind::Memo: {
        const bool up_log = name == "Memo1" || name == "Memo3";
        style.back_color = up_log ? 0xDCF6FF : kLogNavy;
        style.text_color = up_log ? 0x000080 : 0x00FFFF;
        break;
    }
    default:
        break;
    }
    return style;
}

FieldColors read_only_field_colors(std::uint32_t font_color) {
    return {font_color, font_color == kClYellow ? kLogNavy : kFieldGrey};
}

bool takes_typing(const std::string& name) {
    return TFMain::takes_typing(name);
}

ControlStyle caption_style(CaptionStyle look) {
    ControlStyle style;
    style.bold = look != CaptionStyle::Plain;
    if (look == CaptionStyle::Rush) {
        style.text_color = 0x0000B0;
    }
    if (look == CaptionStyle::Title) {
        style.text_color = 0x602020;
    }
    return style;
}

ControlStyle link_state_style(bool simulated) {
    ControlStyle style;
    style.bold = simulated;
    style.text_color = simulated ? 0xFFFFFF : kDisplayBlue;
    if (simulated) {
        style.back_color = 0x0000C8;
    }
    return style;
}

ControlStyle reference_style(bool wrong) {
    ControlStyle style;
    style.editable = true;
    style.back_color = wrong ? 0xBEBEFF : kTypingBack;
    style.text_color = 0x000000;
    return style;
}

} // namespace dopplex::app
