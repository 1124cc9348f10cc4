// Where the link's sockets live: a private folder that the window and its tracker both find by
// the same rule. Choosing it is the local transport's start-up; when no folder can be used it
// raises LinkStartError, naming each folder refused and why, with these codes:
//   0x4008 (memory error)       the system ran out of memory while checking a folder
//   0x4006 (invalid parameter)  the socket path does not fit a Unix socket address
//   0x400F (system error)       no private folder could be found or made
#pragma once

#include <string>
#include <vector>

namespace dopplex::link {

// Set by the operator, and by the window for a tracker it starts, so both use one folder.
inline constexpr const char* kLinkDirVariable = "DOPPLEX_LINK_DIR";

struct RuntimeDir {
    std::string path;
    std::vector<std::string> refused; // "link folder <path> refused: <reason>", in probing order
    bool fresh = false;               // made by mkdtemp: no other program finds it by the rule
};

// $DOPPLEX_LINK_DIR when set (it must do). Else the first usable of $XDG_RUNTIME_DIR,
// <tmp>/dopplex-<uid>, <tmp>/dopplex-<uid>-1 .. -8 (<tmp> is $TMPDIR when absolute, else /tmp;
// the last nine are made with mode 0700 when missing), else a fresh folder made under <tmp>.
// A usable folder is an absolute path to a real folder (not a link) owned by this user with no
// access for group or others: another user who made one first cannot read or feed the link.
RuntimeDir runtime_dir();

// What to tell the operator when a folder was refused (one line each, then the folder in use);
// empty when the first choice was used.
std::vector<std::string> runtime_dir_notice(const RuntimeDir& dir);

// The socket of a service and topic in that folder: <dir>/dopplex-link.<service>.<topic>, with
// any character other than letters, digits, '-' and '_' written as '_'.
std::string socket_path(const std::string& dir, const std::string& service,
                        const std::string& topic);

} // namespace dopplex::link
