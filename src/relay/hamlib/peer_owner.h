// Who owns the other end of a TCP connection from this machine. The kernel's socket diagnostics
// (NETLINK_SOCK_DIAG) find the client's socket by its four addresses in one hash probe, however
// many sockets the machine holds; only where that query is unavailable are /proc/net/tcp and
// /proc/net/tcp6 searched, whose size another user can inflate. Linux only; any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/types.h>
#include <vector>

namespace dopplex::tracker {

// The kernel's answer for the socket from `local` to `remote`: asked is false when the query
// could not be made; owner is empty when no live socket has those addresses.
struct DiagAnswer {
    bool asked = false;
    std::optional<uid_t> owner;
};
DiagAnswer diag_socket_owner(const sockaddr_storage& local, const sockaddr_storage& remote);

// An address as those tables write it ("0100007F:1F90"); an IPv4-mapped IPv6 address also in
// its IPv4 form, since the client's socket may be either.
std::vector<std::string> proc_net_keys(const sockaddr_storage& address);
// The uid column of the live row (not TIME_WAIT, whose owner reads 0) from `local` to
// `remote`, in a table's text.
std::optional<uid_t> socket_owner(std::string_view table, std::string_view local,
                                  std::string_view remote);
// The owner of the client's socket of an accepted connection, from `peer` to `ours`; nothing
// for a client on another machine.
std::optional<uid_t> local_peer_owner(const sockaddr_storage& peer, const sockaddr_storage& ours);

} // namespace dopplex::tracker
