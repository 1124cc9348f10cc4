// Small helpers over Unix-domain stream sockets shared by the link's client and server.
#pragma once

#include <string>

namespace dopplex::link {

// Connects; a full backlog is retried for at most busy_wait_ms (0: not at all) so a busy server
// is told from an absent one without hanging on it. -1 when nobody listens, the backlog stays
// full or the peer is another user. The socket returned is blocking, close-on-exec, with a
// 1000 ms send time-out.
int connect_unix(const std::string& path, int busy_wait_ms = 0);
// Whether the peer of a connected socket runs as this user.
bool peer_is_same_user(int fd);
// Sends all bytes (no SIGPIPE); false on error or send time-out.
bool send_all(int fd, const std::string& bytes);
// Sets the send time-out that bounds every send_all on the socket.
void set_send_timeout(int fd, int timeout_ms);

} // namespace dopplex::link
