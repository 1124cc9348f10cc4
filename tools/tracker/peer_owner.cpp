#include "peer_owner.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <netinet/in.h>
#include <sstream>

namespace dopplex::tracker {

namespace {

std::string hex_word(std::uint32_t word) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", word);
    return text;
}

std::string hex_port(in_port_t port) {
    char text[6];
    std::snprintf(text, sizeof text, ":%04X", ntohs(port));
    return text;
}

std::string read_table(const char* path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

std::vector<std::string> proc_net_keys(const sockaddr_storage& peer) {
    // The tables print each 32-bit word of the address as the machine holds it.
    if (peer.ss_family == AF_INET) {
        const auto& a4 = reinterpret_cast<const sockaddr_in&>(peer);
        return {hex_word(a4.sin_addr.s_addr) + hex_port(a4.sin_port)};
    }
    const auto& a6 = reinterpret_cast<const sockaddr_in6&>(peer);
    std::uint32_t words[4];
    std::memcpy(words, &a6.sin6_addr, sizeof words);
    std::vector<std::string> keys{hex_word(words[0]) + hex_word(words[1]) + hex_word(words[2]) +
                                  hex_word(words[3]) + hex_port(a6.sin6_port)};
    if (IN6_IS_ADDR_V4MAPPED(&a6.sin6_addr)) {
        keys.push_back(hex_word(words[3]) + hex_port(a6.sin6_port));
    }
    return keys;
}

std::optional<uid_t> socket_owner(std::string_view table, std::string_view key) {
    std::istringstream rows{std::string(table)};
    for (std::string row; std::getline(rows, row);) {
        std::istringstream fields(row);
        std::string slot, local, remote, state, queues, timer, retransmits;
        unsigned long uid = 0;
        if (fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid &&
            local == key) {
            return static_cast<uid_t>(uid);
        }
    }
    return std::nullopt;
}

std::optional<uid_t> local_peer_owner(const sockaddr_storage& peer) {
    const std::string tables = read_table("/proc/net/tcp") + read_table("/proc/net/tcp6");
    for (const std::string& key : proc_net_keys(peer)) {
        if (const std::optional<uid_t> owner = socket_owner(tables, key)) {
            return owner;
        }
    }
    return std::nullopt;
}

} // namespace dopplex::tracker
