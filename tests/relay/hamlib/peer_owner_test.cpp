// The owner of an accepted connection's client, as the kernel knows it, for clients of this
// user and of another (nobody, which needs root), beside crowds of loopback connections.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "hamlib/peer_owner.h"
#include "held_child.h"

namespace dopplex::tracker {
namespace {

constexpr uid_t kNobody = 65534;

sockaddr_storage numeric(const char* host, in_port_t port_n) {
    sockaddr_storage address{};
    if (inet_pton(AF_INET, host, &reinterpret_cast<sockaddr_in&>(address).sin_addr) == 1) {
        address.ss_family = AF_INET;
        reinterpret_cast<sockaddr_in&>(address).sin_port = port_n;
    } else {
        inet_pton(AF_INET6, host, &reinterpret_cast<sockaddr_in6&>(address).sin6_addr);
        address.ss_family = AF_INET6;
        reinterpret_cast<sockaddr_in6&>(address).sin6_port = port_n;
    }
    return address;
}

socklen_t size_of(const sockaddr_storage& address) {
    return address.ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
}

// Loopback connections, `crowd` of them to a listener of its own, then one to `to` when given;
// in a held child.
bool connect_all(const sockaddr_storage* to, int crowd) {
    sockaddr_storage hub_at = numeric("127.0.0.1", 0);
    socklen_t hub_size = sizeof(sockaddr_in);
    const int hub = socket(AF_INET, SOCK_STREAM, 0);
    if (crowd > 0 && (hub < 0 || bind(hub, reinterpret_cast<sockaddr*>(&hub_at), hub_size) ||
                      listen(hub, 64) != 0 ||
                      getsockname(hub, reinterpret_cast<sockaddr*>(&hub_at), &hub_size))) {
        return false;
    }
    for (int i = 0; i < crowd; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&hub_at), hub_size) != 0 ||
            accept(hub, nullptr, nullptr) < 0) {
            return false;
        }
    }
    const int fd = to ? socket(to->ss_family, SOCK_STREAM, 0) : -1;
    return !to ||
           (fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(to), size_of(*to)) == 0);
}

TEST(PeerOwner, TheKernelNamesTheClientsOwner) {
    const bool root = geteuid() == 0;
    const std::optional<uid_t> me = getuid();
    struct Row {
        const char* what;
        const char* listen_on;
        const char* connect_to;
        bool as_nobody;
        int crowd; // loopback connections of nobody's (this user's without root) beside
        bool unknown_port;
        std::optional<uid_t> owner;
    };
    const Row rows[] = {
        {"this user over IPv4", "127.0.0.1", "127.0.0.1", false, 0, false, me},
        {"this user over IPv6", "::1", "::1", false, 0, false, me},
        {"IPv4 to a listener on both", "::", "127.0.0.1", false, 0, false, me},
        {"another user", "127.0.0.1", "127.0.0.1", true, 0, false, kNobody},
        {"this user among 3000 other connections", "127.0.0.1", "127.0.0.1", false, 3000, false,
         me},
        {"another user among its 3000 connections", "127.0.0.1", "127.0.0.1", true, 3000, false,
         kNobody},
        {"no such connection", "127.0.0.1", "127.0.0.1", false, 0, true, std::nullopt},
    };
    for (const Row& row : rows) {
        if (row.as_nobody && !root) {
            continue; // only root can be another user here
        }
        sockaddr_storage at = numeric(row.listen_on, 0);
        socklen_t size = size_of(at);
        const int listener = socket(at.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&at), size), 0) << row.what;
        ASSERT_EQ(listen(listener, 4), 0);
        ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&at), &size), 0);
        const sockaddr_storage to =
            numeric(row.connect_to, at.ss_family == AF_INET
                                        ? reinterpret_cast<sockaddr_in&>(at).sin_port
                                        : reinterpret_cast<sockaddr_in6&>(at).sin6_port);
        const std::optional<uid_t> crowd_owner =
            row.crowd > 0 && root ? std::optional<uid_t>(kNobody) : std::nullopt;
        const int crowd_beside = row.as_nobody ? 0 : row.crowd;
        const test::HeldChild crowd(
            crowd_owner, [&] { return connect_all(nullptr, crowd_beside); }, "the crowd");
        const test::HeldChild client(
            row.as_nobody ? std::optional<uid_t>(kNobody) : std::nullopt,
            [&] { return connect_all(&to, row.as_nobody ? row.crowd : 0); }, row.what);
        sockaddr_storage peer{}, ours{};
        socklen_t peer_size = sizeof peer, ours_size = sizeof ours;
        const int accepted =
            accept4(listener, reinterpret_cast<sockaddr*>(&peer), &peer_size, SOCK_CLOEXEC);
        ASSERT_GE(accepted, 0) << row.what;
        getsockname(accepted, reinterpret_cast<sockaddr*>(&ours), &ours_size);
        if (row.unknown_port) {
            auto& port = peer.ss_family == AF_INET
                             ? reinterpret_cast<sockaddr_in&>(peer).sin_port
                             : reinterpret_cast<sockaddr_in6&>(peer).sin6_port;
            port = htons(static_cast<in_port_t>(ntohs(port) + 1));
        }
        const DiagAnswer diag = diag_socket_owner(peer, ours);
        EXPECT_TRUE(diag.asked) << row.what;
        EXPECT_EQ(diag.owner, row.owner) << row.what;
        EXPECT_EQ(local_peer_owner(peer, ours), row.owner) << row.what;
        close(accepted);
        close(listener);
    }
}

} // namespace
} // namespace dopplex::tracker
