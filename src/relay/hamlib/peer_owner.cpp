#include "hamlib/peer_owner.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sstream>
#include <unistd.h>

namespace dopplex::tracker {

namespace {

const char* const kTimeWait = "06";
constexpr std::uint8_t kNewSynRecv = 12; // a half-open connection, the kernel's own state

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

// An address as the diagnostics take it: an IPv4-mapped one as IPv4, where its socket is.
struct DiagAddress {
    int family = AF_UNSPEC;
    std::uint32_t words[4] = {};
    in_port_t port = 0;
};

DiagAddress diag_address(const sockaddr_storage& address) {
    DiagAddress out;
    if (address.ss_family == AF_INET) {
        const auto& a4 = reinterpret_cast<const sockaddr_in&>(address);
        out.family = AF_INET;
        out.words[0] = a4.sin_addr.s_addr;
        out.port = a4.sin_port;
    } else if (address.ss_family == AF_INET6) {
        const auto& a6 = reinterpret_cast<const sockaddr_in6&>(address);
        std::memcpy(out.words, &a6.sin6_addr, sizeof out.words);
        out.port = a6.sin6_port;
        out.family = AF_INET6;
        if (IN6_IS_ADDR_V4MAPPED(&a6.sin6_addr)) {
            out.family = AF_INET;
            out.words[0] = out.words[3];
            out.words[1] = out.words[2] = out.words[3] = 0;
        }
    }
    return out;
}

// Whether the diagnostics answer here: a kernel without them answers "no such socket" as it
// does for a socket that has gone, so they are tried once on a connection of our own.
bool diag_usable() {
    static const bool usable = [] {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        const int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int client = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_storage local{}, remote{};
        socklen_t local_size = sizeof local;
        const bool connected =
            server >= 0 && client >= 0 &&
            bind(server, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            listen(server, 1) == 0 &&
            getsockname(server, reinterpret_cast<sockaddr*>(&address), &size) == 0 &&
            connect(client, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            getsockname(client, reinterpret_cast<sockaddr*>(&local), &local_size) == 0;
        std::memcpy(&remote, &address, sizeof address);
        const bool found = connected && diag_socket_owner(local, remote).owner.has_value();
        for (const int fd : {client, server}) {
            if (fd >= 0) {
                close(fd);
            }
        }
        return found;
    }();
    return usable;
}

std::optional<uid_t> proc_peer_owner(const sockaddr_storage& peer, const sockaddr_storage& ours) {
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

} // namespace

DiagAnswer diag_socket_owner(const sockaddr_storage& local, const sockaddr_storage& remote) {
    const DiagAddress from = diag_address(local);
    const DiagAddress to = diag_address(remote);
    if (from.family == AF_UNSPEC || from.family != to.family) {
        return {true, std::nullopt};
    }
    struct {
        nlmsghdr header;
        inet_diag_req_v2 body;
    } request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    request.header.nlmsg_flags = NLM_F_REQUEST; // no dump: the one socket with these addresses
    request.body.sdiag_family = static_cast<std::uint8_t>(from.family);
    request.body.sdiag_protocol = IPPROTO_TCP;
    request.body.idiag_states = ~0U;
    request.body.id.idiag_sport = from.port;
    request.body.id.idiag_dport = to.port;
    std::memcpy(request.body.id.idiag_src, from.words, sizeof from.words);
    std::memcpy(request.body.id.idiag_dst, to.words, sizeof to.words);
    request.body.id.idiag_cookie[0] = request.body.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;

    const int fd = socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (fd < 0) {
        return {};
    }
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    alignas(nlmsghdr) char reply[8192];
    ssize_t n = -1;
    // The kernel answers while it takes the request, so the answer is there at once.
    if (sendto(fd, &request, sizeof request, 0, reinterpret_cast<sockaddr*>(&kernel),
               sizeof kernel) == static_cast<ssize_t>(sizeof request)) {
        n = recv(fd, reply, sizeof reply, MSG_DONTWAIT);
    }
    close(fd);
    DiagAnswer answer;
    int left = static_cast<int>(n);
    for (auto* message = reinterpret_cast<nlmsghdr*>(reply); n > 0 && NLMSG_OK(message, left);
         message = NLMSG_NEXT(message, left)) {
        if (message->nlmsg_type == NLMSG_ERROR) {
            const auto* error = static_cast<const nlmsgerr*>(NLMSG_DATA(message));
            answer.asked = error->error == -ENOENT;
            return answer;
        }
        if (message->nlmsg_type == SOCK_DIAG_BY_FAMILY &&
            message->nlmsg_len >= NLMSG_LENGTH(sizeof(inet_diag_msg))) {
            const auto* found = static_cast<const inet_diag_msg*>(NLMSG_DATA(message));
            answer.asked = true;
            // Leftovers of a closed connection and half-open ones read as root's: nobody's; a
            // listening socket is no client's.
            if (found->idiag_state != TCP_TIME_WAIT && found->idiag_state != kNewSynRecv &&
                found->idiag_state != TCP_LISTEN) {
                answer.owner = found->idiag_uid;
            }
            return answer;
        }
    }
    return answer;
}

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
    if (diag_usable()) {
        if (const DiagAnswer answer = diag_socket_owner(peer, ours); answer.asked) {
            return answer.owner;
        }
    }
    return proc_peer_owner(peer, ours);
}

} // namespace dopplex::tracker
