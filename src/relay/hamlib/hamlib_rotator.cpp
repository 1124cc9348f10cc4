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
    using Words = std::vector<std::string>;
    static constexpr HamlibCommand<RotatorCommands> kCommands[] = {
        {{"P", "set_pos"},
         [](RotatorCommands& rotator, const Words& w) {
             const std::optional<double> az = w.size() == 3 ? decimal_number(w[1]) : std::nullopt;
             const std::optional<double> el = w.size() == 3 ? decimal_number(w[2]) : std::nullopt;
             if (!az || !el || *az < -360.0 || *az > 720.0 || *el < -90.0 || *el > 90.0) {
                 return HamlibReply{kReplyBadArgument};
             }
             rotator.azimuth_deg_ = *az;
             rotator.elevation_deg_ = *el;
             return HamlibReply{kReplyOk, false,
                                HamlibEvent{HamlibEvent::Kind::Position, *az, *el}};
         }},
        {{"p", "get_pos"},
         [](RotatorCommands& rotator, const Words&) {
             char text[96];
             std::snprintf(text, sizeof text, "%.6f\n%.6f\n", rotator.azimuth_deg_,
                           rotator.elevation_deg_);
             return HamlibReply{text};
         }},
        {{"S", "stop", "K", "park"},
         [](RotatorCommands&, const Words&) { return HamlibReply{kReplyOk}; }},
        {{"_", "get_info"},
         [](RotatorCommands&, const Words&) { return HamlibReply{"Dopplex\n"}; }},
        {{"dump_state"}, [](RotatorCommands&, const Words&) { return HamlibReply{kDumpState}; }},
        {{"q", "Q", "quit"},
         [](RotatorCommands&, const Words&) {
             return HamlibReply{"", true};
         }},
    };
    return answer_command(kCommands, *this, line);
}

} // namespace dopplex::tracker
