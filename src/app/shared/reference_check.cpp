#include "reference_check.h"

#include "base/numtext.h"
#include "engine_session.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace dopplex::app {

namespace {

constexpr double kLowestHz = 1e6;
constexpr double kHighestHz = 1e10;
constexpr const char* kPrompt = "Enter Freq E8";
constexpr const char* kAnyExample = "type the frequency in Hz, such as 4.353000E8 for 435.300 MHz";

bool in_band(double hz) {
    return hz >= kLowestHz && hz <= kHighestHz;
}

// 145920000 -> "1.459200E8", the form the fields take.
std::string exponent_form(double hz) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6E", hz);
    std::string s(text);
    const std::size_t e = s.find('E');
    return s.substr(0, e + 1) + std::to_string(std::stoi(s.substr(e + 1)));
}

std::string megahertz(double hz) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f MHz", hz / 1e6);
    return text;
}

std::string example(double hz) {
    return "type " + exponent_form(hz) + " for " + megahertz(hz);
}

// The power of ten that brings `hz` nearest the tracker's frequency.
int decades_to(double hz, double tracker_hz) {
    return static_cast<int>(std::lround(std::log10(tracker_hz / hz)));
}

// What the digits most likely meant: the power of ten nearest the tracker's frequency, else
// the number read as MHz, kHz or GHz, the first that lands in the band.
std::optional<double> meant(double hz, double tracker_hz) {
    if (!(hz > 0) || !std::isfinite(hz)) {
        return std::nullopt;
    }
    if (tracker_hz > 0) {
        const double moved = hz * std::pow(10.0, decades_to(hz, tracker_hz));
        if (in_band(moved)) {
            return moved;
        }
    }
    for (const double unit : {1e6, 1e3, 1e9}) {
        if (in_band(hz * unit)) {
            return hz * unit;
        }
    }
    return std::nullopt;
}

std::optional<double> read(const std::string& text) {
    try {
        return ParseNumber(text);
    } catch (const std::exception&) { // EConvertError, EOverflow: not a number here
        return std::nullopt;
    }
}

class ReferenceRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Gated {
    const char* button;
    Side side;
};
constexpr Gated kGated[] = {
    {"Button1", Side::Rx}, {"Button12", Side::Tx}, {"Button22", Side::Rx}, {"Button23", Side::Tx}};

} // namespace

bool is_reference_prompt(const std::string& text) {
    return text == kPrompt;
}

std::optional<std::string> reference_hint(const std::string& typed, double tracker_hz) {
    if (is_reference_prompt(typed) || typed.find_first_not_of(' ') == std::string::npos) {
        return std::string("No reference yet: ") + kAnyExample;
    }
    const std::optional<double> hz = read(typed);
    if (!hz) {
        std::string dotted = typed;
        for (char& c : dotted) {
            if (c == ',') {
                c = '.';
            }
        }
        const std::optional<double> with_point = read(dotted);
        if (!with_point || dotted == typed) {
            return typed + " is not a frequency: " + kAnyExample;
        }
        const std::optional<double> guess =
            in_band(*with_point) ? with_point : meant(*with_point, tracker_hz);
        return typed + " does not read as a number: the decimal separator is a point; " +
               (guess ? example(*guess) : std::string(kAnyExample));
    }
    if (!in_band(*hz)) {
        const std::optional<double> guess = meant(*hz, tracker_hz);
        return typed + " reads as " + FormatGeneral(*hz) + " Hz; " +
               (guess ? example(*guess) : std::string(kAnyExample));
    }
    if (tracker_hz > 0) {
        const int decades = decades_to(*hz, tracker_hz);
        const double moved = *hz * std::pow(10.0, decades);
        if (decades != 0 && std::abs(moved / tracker_hz - 1) < 0.05) {
            return typed + " reads as " + megahertz(*hz) + ", " +
                   FormatGeneral(std::pow(10.0, std::abs(decades))) + " times " +
                   (decades > 0 ? "below" : "above") + " the tracker's " + megahertz(tracker_hz) +
                   ": check the exponent; " + example(moved);
        }
    }
    return std::nullopt;
}

std::optional<Side> ReferenceMarks::side_of(const std::string& control) {
    if (control == "Edit1") {
        return Side::Rx;
    }
    if (control == "Edit13") {
        return Side::Tx;
    }
    return std::nullopt;
}

bool ReferenceMarks::follow(const std::string& control, const std::string& text) {
    if (control != "l_df" && control != "l_uf") {
        return false;
    }
    const std::size_t unit = text.rfind(" Hz"); // "   435309394 Hz"
    const std::optional<double> hz = read(text.substr(0, unit));
    tracker_hz_[control == "l_uf"] = hz.value_or(0);
    return true;
}

std::optional<std::string> ReferenceMarks::hint(Side side, const std::string& shown) const {
    if (is_reference_prompt(shown)) {
        return std::nullopt;
    }
    return reference_hint(shown, tracker_hz_[static_cast<int>(side)]);
}

void MarksToShow::show(const std::function<void()>& source_mark,
                       const std::function<void(Side)>& reference_mark) const {
    if (source) {
        source_mark();
    }
    if (rx) {
        reference_mark(Side::Rx);
    }
    if (tx) {
        reference_mark(Side::Tx);
    }
}

MarksToShow follow_marks(SourceMark& source, ReferenceMarks& references, const std::string& control,
                         const std::string& text) {
    MarksToShow show;
    if (SourceMark::concerns(control)) {
        source.follow(control, text);
        show.source = true;
    }
    const bool tracker = references.follow(control, text);
    const std::optional<Side> side = ReferenceMarks::side_of(control);
    show.rx = tracker || side == Side::Rx;
    show.tx = tracker || side == Side::Tx;
    return show;
}

void post_click(EngineSession& session, const std::string& name) {
    session.post_input([&session, name](TFMain& form) {
        session.commit_reference(Side::Rx);
        session.commit_reference(Side::Tx);
        for (const Gated& gated : kGated) {
            const Control* button = form.find(gated.button);
            if (name != gated.button || !button || !button->enabled()) {
                continue;
            }
            if (const auto hint = session.reference_hint_now(gated.side)) {
                throw ReferenceRefused(*hint);
            }
        }
        form.Click(name);
    });
}

void post_reference_done(EngineSession& session, Side side) {
    session.post_input([&session, side](TFMain&) { session.commit_reference(side); });
}

} // namespace dopplex::app
