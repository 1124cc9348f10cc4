// The updates the tracker sends: generated passes or a recorded session, each update the
// tracking text at a time in milliseconds from the start; and the recording format that holds
// them (one line per update: milliseconds, a tab, the text).
#pragma once

#include <ctime>
#include <iosfwd>
#include <string>
#include <vector>

#include "pass/pass_model.h"

namespace dopplex::tracker {

struct Update {
    long long ms;
    std::string text;
};

struct Satellite {
    std::string name = "AO-51";
    PassParameters pass;
    double downlink_hz = 435300000.0;
    double uplink_hz = 145920000.0;
    std::string uplink_mode = "FM";
    std::string downlink_mode = "FM";
};

struct Schedule {
    int passes = 1;
    double lead_in_s = 60.0; // updates before AOS
    int interval_ms = 1000;
    int tail_updates = 3; // updates after the one that reads EL-2.0
    std::time_t first_aos_utc = 0;
};

// The tracker's text for one moment: SN AZ EL DN UP UM DM AOS, azimuth and elevation with one
// decimal, frequencies rounded to whole Hz.
std::string tracking_text(const Satellite& satellite, const LookAngles& look,
                          const std::string& aos);
std::string aos_text(std::time_t utc);

// Every update is kept in memory (and --print writes them all).
inline constexpr long long kMaxUpdates = 1'000'000;

// One update every interval from lead-in before AOS until tail updates after the elevation
// reads -2.0. The update due at or just after the -2.0 moment is taken at that moment exactly,
// so the text reads EL-2.0 whatever the interval; the timing of updates stays regular.
// Throws std::invalid_argument for more than kMaxUpdates updates.
std::vector<Update> generate_passes(const Satellite& satellite, const Schedule& schedule);

// Throws std::runtime_error naming the line for a malformed or over-long line, or times that
// go back.
std::vector<Update> read_recording(std::istream& in);
void write_recording(std::ostream& out, const std::vector<Update>& updates);

} // namespace dopplex::tracker
