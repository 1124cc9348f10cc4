// Where the link's sockets live: the user's private runtime folder. Resolving it is the local
// transport's start-up; its failures raise LinkStartError with these codes:
//   0x4008 (memory error)       the system ran out of memory while checking the folder
//   0x4006 (invalid parameter)  the socket path does not fit a Unix socket address
//   0x400F (system error)       no private folder: $XDG_RUNTIME_DIR or the fallback folder is
//                               missing, not a folder, not ours, or open to other users
#pragma once

#include <string>

namespace dopplex::link {

// $XDG_RUNTIME_DIR when set, else /tmp/dopplex-<uid> (created with mode 0700). Either must be
// a real folder owned by this user with no access for group or others.
std::string runtime_dir();

// The socket of a service and topic in that folder: <dir>/dopplex-link.<service>.<topic>, with
// any character other than letters, digits, '-' and '_' written as '_'.
std::string socket_path(const std::string& dir, const std::string& service,
                        const std::string& topic);

} // namespace dopplex::link
