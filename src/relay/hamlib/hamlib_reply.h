// What a Hamlib network listener answers to one command line, and what the line told us.
// Shared by the rig and the rotator commands.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dopplex::tracker {

struct HamlibEvent {
    enum class Kind { Main, Split, Aos, Los, Position };
    Kind kind;
    double first = 0.0;  // Hz for Main and Split, azimuth for Position
    double second = 0.0; // elevation for Position
};

struct HamlibReply {
    HamlibReply(std::string text, bool close = false, std::optional<HamlibEvent> event = {})
        : text(std::move(text)), close(close), event(event) {}
    std::string text; // written in one piece; empty only when the connection closes
    bool close = false;
    std::optional<HamlibEvent> event;
};

// Hamlib's answers: success, a bad argument, a command this listener does not offer, a refusal.
inline const char* const kReplyOk = "RPRT 0\n";
inline const char* const kReplyBadArgument = "RPRT -1\n";
inline const char* const kReplyNotAvailable = "RPRT -11\n";
// A client this listener does not serve.
inline const char* const kReplyRejected = "RPRT -9\n";

// The words of a command line: runs of spaces, tabs and carriage returns separate them, and a
// long command name loses its leading backslash.
std::vector<std::string> command_words(std::string_view line);
// A decimal number with an optional sign and fraction and nothing else; no exponent, no hex.
std::optional<double> decimal_number(const std::string& word);
// A number as a Hamlib client reads it back: whole numbers without a fraction.
std::string number_text(double value);

// One command of a listener: the names a client may send it by (unused places empty) and what
// answers it, given the listener and the command's words.
template <typename Listener> struct HamlibCommand {
    std::array<std::string_view, 4> names;
    HamlibReply (*answer)(Listener&, const std::vector<std::string>& words);
};

// The answer of the command that the line names; a blank line or an unknown name is refused.
template <typename Listener, std::size_t N>
HamlibReply answer_command(const HamlibCommand<Listener> (&commands)[N], Listener& listener,
                           std::string_view line) {
    const std::vector<std::string> words = command_words(line);
    if (!words.empty()) {
        for (const HamlibCommand<Listener>& command : commands) {
            for (const std::string_view name : command.names) {
                if (!name.empty() && name == words[0]) {
                    return command.answer(listener, words);
                }
            }
        }
    }
    return {kReplyNotAvailable};
}

} // namespace dopplex::tracker
