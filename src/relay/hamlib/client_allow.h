// Which clients a listener open to other machines serves: a list of addresses and networks
// ("192.168.1.0/24, 10.0.0.5, fd00::/8"), as `rig_allow` gives it. An empty list serves every
// client; an IPv4 client on an IPv6 socket matches as its IPv4 address.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct sockaddr_storage;

namespace dopplex::tracker {

struct Network {
    bool v6 = false;
    std::array<std::uint8_t, 16> bytes{}; // the first 4 for IPv4
    int prefix = 0;                       // bits that must match
};
using AllowList = std::vector<Network>;

// Throws std::invalid_argument naming `option` and the entry that is no address or network.
AllowList parse_allow_list(const std::string& option, const std::string& text);
bool allowed(const AllowList& list, const sockaddr_storage& peer);
// The client's address as text, for the journal.
std::string peer_text(const sockaddr_storage& peer);

} // namespace dopplex::tracker
