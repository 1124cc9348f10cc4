#include "link/runtime_dir.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "tracker/link/link_start_error.h"

namespace dopplex::link {

namespace {

void check_private(const std::string& dir) {
    struct stat info {};
    if (lstat(dir.c_str(), &info) != 0) {
        throw LinkStartError(errno == ENOMEM ? kLinkMemoryError : kLinkSystemError);
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != getuid() || (info.st_mode & 077) != 0) {
        throw LinkStartError(kLinkSystemError);
    }
}

std::string safe_word(const std::string& text) {
    std::string word = text;
    for (char& c : word) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!keep) {
            c = '_';
        }
    }
    return word;
}

} // namespace

std::string runtime_dir() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg != nullptr && xdg[0] == '/') {
        check_private(xdg);
        return xdg;
    }
    const std::string dir = "/tmp/dopplex-" + std::to_string(getuid());
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        throw LinkStartError(errno == ENOMEM ? kLinkMemoryError : kLinkSystemError);
    }
    check_private(dir);
    return dir;
}

std::string socket_path(const std::string& dir, const std::string& service,
                        const std::string& topic) {
    std::string path = dir + "/dopplex-link." + safe_word(service) + "." + safe_word(topic);
    if (path.size() >= sizeof(sockaddr_un::sun_path)) {
        throw LinkStartError(kLinkInvalidParameter);
    }
    return path;
}

} // namespace dopplex::link
