#include "hamlib/hamlib_rotator.h"

#include <cstdio>
#include <string>
#include <vector>

namespace dopplex::tracker {

namespace {

// Protocol 1 of \dump_state as Hamlib's NET rotctl (model 2) reads it; the azimuth range
// takes both -180..180 and 0..360 rotators, with overlap.
const char* const kDumpState = "1\n"
                               "2\n"
                               "min_az=-180.000000\n"
                               "max_az=450.000000\n"
                               "min_el=-90.000000\n"
                               "max_el=90.000000\n"
                               "south_zero=0\n"
                               "rot_type=AzEl\n"
                               "done\n";

} // namespace

HamlibReply RotatorCommands::answer(std::string_view line) {
    const std::vector<std::string> w = command_words(line);
    if (w.empty()) {
        return {kReplyNotAvailable};
    }
    const std::string& c = w[0];
    if (c == "P" || c == "set_pos") {
        const std::optional<double> az = w.size() == 3 ? decimal_number(w[1]) : std::nullopt;
        const std::optional<double> el = w.size() == 3 ? decimal_number(w[2]) : std::nullopt;
        if (!az || !el || *az < -360.0 || *az > 720.0 || *el < -90.0 || *el > 90.0) {
            return {kReplyBadArgument};
        }
        azimuth_deg_ = *az;
        elevation_deg_ = *el;
        return {kReplyOk, false, HamlibEvent{HamlibEvent::Kind::Position, *az, *el}};
    }
    if (c == "p" || c == "get_pos") {
        char text[96];
        std::snprintf(text, sizeof text, "%.6f\n%.6f\n", azimuth_deg_, elevation_deg_);
        return {text};
    }
    if (c == "S" || c == "stop" || c == "K" || c == "park") {
        return {kReplyOk};
    }
    if (c == "_" || c == "get_info") {
        return {"Dopplex\n"};
    }
    if (c == "dump_state") {
        return {kDumpState};
    }
    if (c == "q" || c == "Q" || c == "quit") {
        return {"", true};
    }
    return {kReplyNotAvailable};
}

} // namespace dopplex::tracker
