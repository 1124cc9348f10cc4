#include "hamlib/peer_owner.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sstream>
#include <unistd.h>

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

// In large reads: the kernel writes the table anew for every read, one row per socket.
std::string read_table(const char* path) {
    std::string text;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return text;
    }
    char chunk[1 << 16];
    for (ssize_t n; (n = read(fd, chunk, sizeof chunk)) > 0;) {
        text.append(chunk, static_cast<std::size_t>(n));
    }
    close(fd);
    return text;
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
    // A row: "sl: local remote st tx:rx tr:when retransmits uid ...". Found by its addresses
    // with a plain search: the tables hold a row per socket, TIME_WAIT ones included, and are
    // read at every connection.
    const std::string addresses = " " + std::string(local) + " " + std::string(remote) + " ";
    for (std::size_t at = table.find(addresses); at != std::string_view::npos;
         at = table.find(addresses, at + 1)) {
        const std::size_t end = std::min(table.find('\n', at), table.size());
        std::istringstream fields{std::string(table.substr(at, end - at))};
        std::string from, to, state, queues, timer, retransmits;
        unsigned long uid = 0;
        if (fields >> from >> to >> state >> queues >> timer >> retransmits >> uid &&
            state != kTimeWait) {
            return static_cast<uid_t>(uid);
        }
    }
    return std::nullopt;
}

std::optional<uid_t> local_peer_owner(const sockaddr_storage& peer, const sockaddr_storage& ours) {
    // An IPv4 client is in the IPv4 table; a mapped one may be in either.
    const auto& a6 = reinterpret_cast<const sockaddr_in6&>(peer);
    const bool v4 = peer.ss_family == AF_INET || IN6_IS_ADDR_V4MAPPED(&a6.sin6_addr);
    const bool v6 = peer.ss_family == AF_INET6;
    const std::string tables =
        (v4 ? read_table("/proc/net/tcp") : "") + (v6 ? read_table("/proc/net/tcp6") : "");
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
