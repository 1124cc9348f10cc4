#include "cat/cat_address.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace dopplex {

namespace {

[[noreturn]] void refuse(const std::string& text, const std::string& why) {
    throw NotARadio(text, why);
}

bool all_of_class(const std::string& s, int (*is)(int)) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [is](unsigned char c) { return is(c) != 0; });
}

// A hostname or an IPv4 literal: letters, digits, '-' and '.'; in brackets, an IPv6 literal
// (hex digits, ':' and '.'). Anything else would reach the resolver or the saved settings as is.
bool host_name(const std::string& host, bool bracketed) {
    const auto fits = [bracketed](unsigned char c) {
        return bracketed ? std::isxdigit(c) != 0 || c == ':' || c == '.'
                         : std::isalnum(c) != 0 || c == '-' || c == '.';
    };
    return std::all_of(host.begin(), host.end(), fits) &&
           (!bracketed || host.find(':') != std::string::npos);
}

} // namespace

NotARadio::NotARadio(const std::string& text, const std::string& why)
    : std::invalid_argument("\"" + text + "\" is not a radio: " + why +
                            " (buttons or cat:HOST:PORT[:VFO])"),
      why_(why) {}

std::optional<CatAddress> parse_side_radio(const std::string& text) {
    if (text.empty() || text == "buttons") {
        return std::nullopt;
    }
    const std::string prefix = "cat:";
    if (text.rfind(prefix, 0) != 0) {
        refuse(text, "it names no kind of radio");
    }
    std::string rest = text.substr(prefix.size());
    CatAddress address;
    bool bracketed = false;
    // An IPv6 address comes in brackets so its colons do not split it.
    if (!rest.empty() && rest.front() == '[') {
        const auto close = rest.find(']');
        if (close == std::string::npos) {
            refuse(text, "the host's bracket is not closed");
        }
        address.host = rest.substr(1, close - 1);
        bracketed = true;
        rest = rest.substr(close + 1);
        if (rest.empty() || rest.front() != ':') {
            refuse(text, "the port is missing");
        }
        rest = rest.substr(1);
    } else {
        const auto colon = rest.find(':');
        if (colon == std::string::npos) {
            refuse(text, "the port is missing");
        }
        address.host = rest.substr(0, colon);
        rest = rest.substr(colon + 1);
    }
    if (address.host.empty()) {
        refuse(text, "the host is missing");
    }
    if (!host_name(address.host, bracketed)) {
        refuse(text, "the host \"" + address.host + "\" is not a hostname or an IP address");
    }
    const auto colon = rest.find(':');
    const std::string port = rest.substr(0, colon);
    if (colon != std::string::npos) {
        address.vfo = rest.substr(colon + 1);
        if (!all_of_class(address.vfo, std::isalnum)) {
            refuse(text, "the VFO is not a word");
        }
    }
    if (!all_of_class(port, std::isdigit) || port.size() > 5 || std::stoi(port) < 1 ||
        std::stoi(port) > 65535) {
        refuse(text, "the port is not a number from 1 to 65535");
    }
    address.port = std::stoi(port);
    return address;
}

std::string daemon_name(const CatAddress& address) {
    const bool v6 = address.host.find(':') != std::string::npos;
    return (v6 ? "[" + address.host + "]" : address.host) + ":" + std::to_string(address.port);
}

std::string side_radio_text(const std::optional<CatAddress>& radio) {
    if (!radio) {
        return "buttons";
    }
    return "cat:" + daemon_name(*radio) + (radio->vfo.empty() ? "" : ":" + radio->vfo);
}

} // namespace dopplex
