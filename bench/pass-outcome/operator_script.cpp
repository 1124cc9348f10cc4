#include "operator_script.h"

#include "tracker/record/tracking_record.h"

#include <cmath>
#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace dopplex::bench {

namespace {

// Each side's controls in the window: RX then TX.
struct SideControls {
    const char* reference;
    const char* tune;
    const char* start_tracking;
    const char* reset;
    double Feed::*reference_hz;
};

constexpr SideControls kSides[] = {
    {"Edit1", "Button1", "Button11", "Button22", &Feed::downlink_hz},
    {"Edit13", "Button12", "Button19", "Button23", &Feed::uplink_hz},
};

// Updates start a second into the run, after the set-up clicks of moment 0.
constexpr std::int64_t kFirstUpdateMs = 1000;
// The operator acts half a second after an update, before the next one.
constexpr std::int64_t kActAfterMs = 500;
// More than the Reset trains of any pass of the table take (1500 pulses).
constexpr std::int64_t kResetRoomMs = 600'000;

// The reference as an operator types it: 4.378000E8.
std::string reference_text(double hz) {
    const int exponent = static_cast<int>(std::floor(std::log10(hz)));
    char text[32];
    std::snprintf(text, sizeof text, "%.6fE%d", hz / std::pow(10.0, exponent), exponent);
    return text;
}

const char* classic_step_button(int step_hz) {
    switch (step_hz) {
    case 100:
        return "RadioButton1";
    case 25:
        return "RadioButton2";
    case 1000:
        return "RadioButton3";
    default:
        return nullptr;
    }
}

void write_closed_settings(std::ostream& out, const RunSettings& settings) {
    out << "set tracking closed\nset start_at_aos " << (settings.start_at_aos ? "on" : "off")
        << '\n';
    for (const char* side : {"rx", "tx"}) {
        out << "set step " << side << ' ' << settings.step_hz << '\n';
        if (settings.press_ms > 0) {
            out << "set press_ms " << side << ' ' << settings.press_ms << '\n';
        }
        if (settings.gap_ms > 0) {
            out << "set gap_ms " << side << ' ' << settings.gap_ms << '\n';
        }
    }
}

} // namespace

std::vector<PassUpdate> read_updates(const std::vector<tracker::Update>& updates) {
    std::vector<PassUpdate> read;
    for (const tracker::Update& u : updates) {
        TSatData record;
        std::string aos;
        ParseTrackingRecord(u.text, record, aos);
        read.push_back(
            {kFirstUpdateMs + u.ms, u.text, record.Elevation, record.Downlink, record.Uplink});
    }
    return read;
}

PassMoments pass_moments(const std::vector<PassUpdate>& updates) {
    std::size_t aos = 0;
    while (aos < updates.size() && updates[aos].elevation_deg <= 0) {
        ++aos;
    }
    std::size_t ends = aos;
    while (ends < updates.size() && updates[ends].elevation_deg > -2.0) {
        ++ends;
    }
    if (ends >= updates.size()) {
        throw std::runtime_error("the generated pass never rises or never ends");
    }
    return {aos, ends};
}

bool classic_offers(int step_hz) {
    return classic_step_button(step_hz) != nullptr;
}

bool tunes_by_hand(int step_hz) {
    return step_hz == 25;
}

std::int64_t run_end_ms(const std::vector<PassUpdate>& updates, const PassMoments& moments) {
    return updates[moments.ends].t + kActAfterMs + kResetRoomMs;
}

std::string operator_scenario(const Feed& feed, const PassMoments& moments,
                              const RunSettings& settings) {
    const std::vector<PassUpdate>& updates = feed.updates;
    std::ostringstream out;
    if (settings.tracking == Tracking::Closed) {
        write_closed_settings(out, settings);
    }
    for (const SideControls& side : kSides) {
        out << "at 0 type " << side.reference << ' ' << reference_text(feed.*side.reference_hz)
            << '\n';
    }
    if (settings.tracking == Tracking::Classic) {
        const char* button = classic_step_button(settings.step_hz);
        if (!button) {
            throw std::invalid_argument("the classic tracking has no " +
                                        std::to_string(settings.step_hz) + " Hz step");
        }
        out << "at 0 click " << button << '\n';
    }
    out << "at 0 click CheckBox1\n";

    const std::int64_t start = updates[moments.aos].t + kActAfterMs;
    const std::int64_t reset = updates[moments.ends].t + kActAfterMs;
    const bool by_hand = tunes_by_hand(settings.step_hz);
    const bool loop_starts = settings.tracking == Tracking::Closed && settings.start_at_aos;
    for (std::size_t i = 0; i < updates.size(); ++i) {
        out << "at " << updates[i].t << " tracking " << updates[i].text << '\n';
        for (const SideControls& side : kSides) {
            if (i == moments.aos && !loop_starts) {
                out << "at " << start << " click " << (by_hand ? side.start_tracking : side.tune)
                    << '\n';
            }
            if (i == moments.ends) {
                out << "at " << reset << " click " << side.reset << '\n';
            }
        }
    }
    out << "until " << run_end_ms(updates, moments) << '\n';
    return out.str();
}

} // namespace dopplex::bench
