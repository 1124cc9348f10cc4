#include "hamlib/client_allow.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>

namespace dopplex::tracker {

namespace {

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

Network parse_network(const std::string& option, const std::string& entry) {
    const auto bad = [&] {
        return std::invalid_argument(option + ": \"" + entry +
                                     "\" is not an address or a network such as 192.168.1.0/24");
    };
    const std::size_t slash = entry.find('/');
    const std::string address = entry.substr(0, slash);
    Network network;
    network.v6 = address.find(':') != std::string::npos;
    if (inet_pton(network.v6 ? AF_INET6 : AF_INET, address.c_str(), network.bytes.data()) != 1) {
        throw bad();
    }
    const int bits = network.v6 ? 128 : 32;
    network.prefix = bits;
    if (slash != std::string::npos) {
        const std::string prefix = entry.substr(slash + 1);
        if (prefix.empty() || prefix.size() > 3 ||
            prefix.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(prefix) > bits) {
            throw bad();
        }
        network.prefix = std::stoi(prefix);
    }
    return network;
}

bool matches(const Network& network, const std::uint8_t* bytes) {
    const int whole = network.prefix / 8;
    if (std::memcmp(network.bytes.data(), bytes, static_cast<std::size_t>(whole)) != 0) {
        return false;
    }
    const int rest = network.prefix % 8;
    if (rest == 0) {
        return true;
    }
    const auto mask = static_cast<std::uint8_t>(0xff << (8 - rest));
    return (network.bytes[static_cast<std::size_t>(whole)] & mask) == (bytes[whole] & mask);
}

} // namespace

AllowList parse_allow_list(const std::string& option, const std::string& text) {
    AllowList list;
    if (trimmed(text).empty()) {
        return list;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        list.push_back(parse_network(option, trimmed(text.substr(start, comma - start))));
        if (comma == std::string::npos) {
            return list;
        }
        start = comma + 1;
    }
}

bool allowed(const AllowList& list, const sockaddr_storage& peer) {
    if (list.empty()) {
        return true;
    }
    const std::uint8_t* v4 = nullptr;
    const std::uint8_t* v6 = nullptr;
    if (peer.ss_family == AF_INET) {
        v4 = reinterpret_cast<const std::uint8_t*>(
            &reinterpret_cast<const sockaddr_in&>(peer).sin_addr);
    } else if (peer.ss_family == AF_INET6) {
        const in6_addr& a6 = reinterpret_cast<const sockaddr_in6&>(peer).sin6_addr;
        v6 = a6.s6_addr;
        if (IN6_IS_ADDR_V4MAPPED(&a6)) {
            v4 = a6.s6_addr + 12;
        }
    }
    for (const Network& network : list) {
        const std::uint8_t* bytes = network.v6 ? v6 : v4;
        if (bytes && matches(network, bytes)) {
            return true;
        }
    }
    return false;
}

std::string peer_text(const sockaddr_storage& peer) {
    char text[INET6_ADDRSTRLEN] = "?";
    if (peer.ss_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(peer).sin_addr, text, sizeof text);
    } else if (peer.ss_family == AF_INET6) {
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(peer).sin6_addr, text,
                  sizeof text);
    }
    return text;
}

} // namespace dopplex::tracker
