// Which radio carries a side: its push buttons on the port's lines, or a CAT radio reached
// through a running rigctld ("cat:HOST:PORT[:VFO]"). The VFO word picks what one transceiver
// doing both sides sets: none for its current VFO, "split" for its split (TX) frequency, or a
// VFO name (rigctld started with --vfo). Plain values; the parser raises std::invalid_argument
// with a message naming the value.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace dopplex {

struct CatAddress {
    std::string host;
    int port = 0;
    std::string vfo; // "", "split" or a VFO name such as "VFOB" or "Sub"
    bool operator==(const CatAddress&) const = default;
};

// Words that name no radio; what() names them, why() is the reason alone (for a short readout).
class NotARadio : public std::invalid_argument {
public:
    NotARadio(const std::string& text, const std::string& why);
    const std::string& why() const { return why_; }

private:
    std::string why_;
};

// "buttons" (or nothing) gives none: the side presses its buttons. Raises NotARadio.
std::optional<CatAddress> parse_side_radio(const std::string& text);
// The words again: "buttons" or "cat:HOST:PORT[:VFO]".
std::string side_radio_text(const std::optional<CatAddress>& radio);
// "127.0.0.1:4532" as the status lines name the daemon.
std::string daemon_name(const CatAddress& address);

} // namespace dopplex
