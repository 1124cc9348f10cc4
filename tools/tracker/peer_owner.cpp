#include "peer_owner.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <netinet/in.h>
#include <sstream>

namespace dopplex::tracker {

namespace {

const char* const kTimeWait = "06";

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

std::vector<std::string> proc_net_keys(const sockaddr_storage& address) {
    // The tables print each 32-bit word of the address as the machine holds it.
    if (address.ss_family == AF_INET) {
        const auto& a4 = reinterpret_cast<const sockaddr_in&>(address);
        return {hex_word(a4.sin_addr.s_addr) + hex_port(a4.sin_port)};
    }
    const auto& a6 = reinterpret_cast<const sockaddr_in6&>(address);
    std::uint32_t words[4];
    std::memcpy(words, &a6.sin6_addr, sizeof words);
    std::vector<std::string> keys{hex_word(words[0]) + hex_word(words[1]) + hex_word(words[2]) +
                                  hex_word(words[3]) + hex_port(a6.sin6_port)};
    if (IN6_IS_ADDR_V4MAPPED(&a6.sin6_addr)) {
        keys.push_back(hex_word(words[3]) + hex_port(a6.sin6_port));
    }
    return keys;
}

std::optional<uid_t> socket_owner(std::string_view table, std::string_view local,
                                  std::string_view remote) {
    std::istringstream rows{std::string(table)};
    for (std::string row; std::getline(rows, row);) {
        std::istringstream fields(row);
        std::string slot, from, to, state, queues, timer, retransmits;
        unsigned long uid = 0;
        if (fields >> slot >> from >> to >> state >> queues >> timer >> retransmits >> uid &&
            from == local && to == remote && state != kTimeWait) {
            return static_cast<uid_t>(uid);
        }
    }
    return std::nullopt;
}

std::optional<uid_t> local_peer_owner(const sockaddr_storage& peer, const sockaddr_storage& ours) {
    const std::string tables = read_table("/proc/net/tcp") + read_table("/proc/net/tcp6");
    const std::vector<std::string> remotes = proc_net_keys(ours);
    for (const std::string& local : proc_net_keys(peer)) {
        for (const std::string& remote : remotes) {
            if (const std::optional<uid_t> owner = socket_owner(tables, local, remote)) {
                return owner;
            }
        }
    }
    return std::nullopt;
}

} // namespace dopplex::tracker
