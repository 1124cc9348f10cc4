// Who owns the other end of a TCP connection from this machine: the kernel lists every local
// TCP socket with its owner's uid in /proc/net/tcp and /proc/net/tcp6, so the client's socket
// is the one whose local address is the peer address that accept() gave. Linux only.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/types.h>
#include <vector>

namespace dopplex::tracker {

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
