#include "page_access.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cstring>
#include <netinet/in.h>

namespace dopplex::headless {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool all_of(const std::string& text, const char* allowed_punctuation) {
    return std::all_of(text.begin(), text.end(), [allowed_punctuation](unsigned char c) {
        return std::isalnum(c) || std::strchr(allowed_punctuation, c) != nullptr;
    });
}

// 1 to 65535 in plain digits.
bool port_number(const std::string& digits) {
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(),
                     [](unsigned char c) { return std::isdigit(c); })) {
        return false;
    }
    const int port = std::stoi(digits);
    return port >= 1 && port <= 65535;
}

// The host part of a Host header, without the port and the brackets of an IPv6 address; empty
// unless the header is just host[:port], the port a port number.
std::string host_part(const std::string& host) {
    std::string name = host;
    std::string port;
    bool v6 = false;
    if (!host.empty() && host.front() == '[') {
        const std::size_t close = host.find(']');
        if (close == std::string::npos) {
            return {};
        }
        name = host.substr(1, close - 1);
        port = host.substr(close + 1);
        if (!port.empty() && port.front() != ':') {
            return {};
        }
        v6 = true;
    } else if (std::count(host.begin(), host.end(), ':') > 1) {
        v6 = true; // a bare IPv6 address
    } else if (const std::size_t colon = host.find(':'); colon != std::string::npos) {
        name = host.substr(0, colon);
        port = host.substr(colon);
    }
    if (!port.empty() && !port_number(port.substr(1))) {
        return {};
    }
    return all_of(name, v6 ? ":." : ".-_") ? name : std::string();
}

std::vector<std::string> address_texts(const sockaddr_storage& address) {
    char text[INET6_ADDRSTRLEN] = "";
    if (address.ss_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text,
                  sizeof text);
        return {text};
    }
    const in6_addr& a6 = reinterpret_cast<const sockaddr_in6&>(address).sin6_addr;
    inet_ntop(AF_INET6, &a6, text, sizeof text);
    std::vector<std::string> texts{text};
    if (IN6_IS_ADDR_V4MAPPED(&a6) && inet_ntop(AF_INET, &a6.s6_addr[12], text, sizeof text)) {
        texts.emplace_back(text);
    }
    return texts;
}

} // namespace

bool host_allowed(const std::string& host, const sockaddr_storage& ours,
                  const std::vector<std::string>& names) {
    const std::string name = lower(host_part(host));
    if (name.empty()) {
        return false;
    }
    if (name == "localhost" || std::find(names.begin(), names.end(), name) != names.end()) {
        return true;
    }
    const std::vector<std::string> addresses = address_texts(ours);
    return std::find(addresses.begin(), addresses.end(), name) != addresses.end();
}

bool loopback_peer(const sockaddr_storage& peer) {
    if (peer.ss_family == AF_INET) {
        return (ntohl(reinterpret_cast<const sockaddr_in&>(peer).sin_addr.s_addr) >> 24) == 127;
    }
    if (peer.ss_family != AF_INET6) {
        return false;
    }
    const in6_addr& a6 = reinterpret_cast<const sockaddr_in6&>(peer).sin6_addr;
    return IN6_IS_ADDR_LOOPBACK(&a6) || (IN6_IS_ADDR_V4MAPPED(&a6) && a6.s6_addr[12] == 127);
}

bool same_secret(const std::string& given, const std::string& token) {
    if (token.empty()) {
        return false;
    }
    unsigned difference = given.size() == token.size() ? 0 : 1;
    for (std::size_t i = 0; i < given.size(); ++i) {
        difference |= static_cast<unsigned char>(given[i]) ^
                      static_cast<unsigned char>(token[i % token.size()]);
    }
    return difference == 0;
}

} // namespace dopplex::headless
