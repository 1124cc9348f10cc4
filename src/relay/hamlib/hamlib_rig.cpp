#include "hamlib/hamlib_rig.h"

#include <string>
#include <vector>

namespace dopplex::tracker {

namespace {

// Protocol 0 of \dump_state, the layout that Hamlib's NET rigctl (model 2) reads: version,
// model, ITU region, RX and TX ranges (100 kHz to 10 GHz, all modes, VFO A and B), tuning
// steps, filters, RIT, XIT, IF shift, announces, preamps, attenuators, then no functions,
// levels or parameters.
const char* const kDumpState = "0\n"
                               "2\n"
                               "2\n"
                               "100000.000000 10000000000.000000 0x1ff -1 -1 0x3 0x0\n"
                               "0 0 0 0 0 0 0\n"
                               "100000.000000 10000000000.000000 0x1ff 1 100000 0x3 0x0\n"
                               "0 0 0 0 0 0 0\n"
                               "0x1ff 1\n"
                               "0 0\n"
                               "0 0\n"
                               "0\n"
                               "0\n"
                               "0\n"
                               "0\n"
                               "\n"
                               "\n"
                               "0x0\n"
                               "0x0\n"
                               "0x0\n"
                               "0x0\n"
                               "0x0\n"
                               "0x0\n";

// The range \dump_state advertises.
constexpr double kLowestHz = 100e3;
constexpr double kHighestHz = 10e9;

// A frequency within the advertised range; anything else is a bad argument.
std::optional<double> frequency_hz(const std::vector<std::string>& words) {
    if (words.size() != 2) {
        return std::nullopt;
    }
    const std::optional<double> hz = decimal_number(words[1]);
    if (!hz || *hz < kLowestHz || *hz > kHighestHz) {
        return std::nullopt;
    }
    return hz;
}

HamlibReply set_frequency(const std::vector<std::string>& words, std::optional<double>& own,
                          std::optional<double>& any, HamlibEvent::Kind kind) {
    const std::optional<double> hz = frequency_hz(words);
    if (!hz) {
        return {kReplyBadArgument};
    }
    own = *hz;
    any = *hz;
    return {kReplyOk, false, HamlibEvent{kind, *hz}};
}

} // namespace

std::string RigCommands::read_back(const std::optional<double>& own,
                                   const std::optional<double>& any) {
    return number_text(own ? *own : any.value_or(0.0)) + "\n";
}

HamlibReply RigCommands::answer(std::string_view line) {
    using Words = std::vector<std::string>;
    static constexpr HamlibCommand<RigCommands> kCommands[] = {
        {{"F", "set_freq"},
         [](RigCommands& rig, const Words& w) {
             return set_frequency(w, rig.own_.main_hz, rig.any_->main_hz, HamlibEvent::Kind::Main);
         }},
        {{"I", "set_split_freq"},
         [](RigCommands& rig, const Words& w) {
             return set_frequency(w, rig.own_.split_hz, rig.any_->split_hz,
                                  HamlibEvent::Kind::Split);
         }},
        {{"f", "get_freq"},
         [](RigCommands& rig, const Words&) {
             return HamlibReply{read_back(rig.own_.main_hz, rig.any_->main_hz)};
         }},
        {{"i", "get_split_freq"},
         [](RigCommands& rig, const Words&) {
             return HamlibReply{read_back(rig.own_.split_hz, rig.any_->split_hz)};
         }},
        // Gpredict's toggle modes send a number where the VFO belongs: any words will do.
        {{"S", "set_split_vfo"}, [](RigCommands&, const Words&) { return HamlibReply{kReplyOk}; }},
        // Hamlib 4.6's network client picks the VFO before a split frequency: there is one.
        {{"V", "set_vfo"}, [](RigCommands&, const Words&) { return HamlibReply{kReplyOk}; }},
        {{"s", "get_split_vfo"},
         [](RigCommands&, const Words&) { return HamlibReply{"0\nVFOA\n"}; }},
        {{"t", "get_ptt", "chk_vfo"},
         [](RigCommands&, const Words&) { return HamlibReply{"0\n"}; }},
        {{"dump_state"}, [](RigCommands&, const Words&) { return HamlibReply{kDumpState}; }},
        {{"AOS"},
         [](RigCommands&, const Words&) {
             return HamlibReply{kReplyOk, false, HamlibEvent{HamlibEvent::Kind::Aos}};
         }},
        {{"LOS"},
         [](RigCommands&, const Words&) {
             return HamlibReply{kReplyOk, false, HamlibEvent{HamlibEvent::Kind::Los}};
         }},
        {{"q", "Q", "quit"},
         [](RigCommands&, const Words&) {
             return HamlibReply{"", true};
         }},
    };
    return answer_command(kCommands, *this, line);
}

} // namespace dopplex::tracker
