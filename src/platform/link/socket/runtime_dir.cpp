#include "link/socket/runtime_dir.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "tracker/link/link_start_error.h"

namespace dopplex::link {

namespace {

// Spare names after <tmp>/dopplex-<uid>: enough to step past a few left-overs, few enough
// that the window and a tracker started separately agree quickly.
constexpr int kSpareFolders = 8;

const char* environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

std::string temp_base() {
    const char* tmp = environment("TMPDIR");
    return tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
}

// Collects why folders were refused, for the operator and for the final error.
class Probe {
public:
    bool usable(const std::string& dir, bool make) {
        const std::string reason = why_unusable(dir, make);
        if (!reason.empty()) {
            refuse(dir, reason);
        }
        return reason.empty();
    }
    void refuse(const std::string& dir, const std::string& reason) {
        refused_.push_back("link folder " + dir + " refused: " + reason);
    }
    RuntimeDir chosen(const std::string& dir, bool fresh = false) const {
        return RuntimeDir{dir, refused_, fresh};
    }
    LinkStartError failure() const {
        std::string reasons;
        for (const std::string& line : refused_) {
            reasons += line + "\n";
        }
        return LinkStartError(out_of_memory_ ? kLinkMemoryError : kLinkSystemError, reasons);
    }
    // The reason of a system call that failed (errno).
    std::string failed(const char* what) {
        out_of_memory_ = out_of_memory_ || errno == ENOMEM;
        return std::string(what) + std::strerror(errno);
    }

private:
    std::string why_unusable(const std::string& dir, bool make) {
        if (dir[0] != '/') {
            return "not an absolute path";
        }
        if (make && mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
            return failed("cannot be made: ");
        }
        struct stat info {};
        if (lstat(dir.c_str(), &info) != 0) {
            return failed("cannot be checked: ");
        }
        if (S_ISLNK(info.st_mode)) {
            return "a symbolic link";
        }
        if (!S_ISDIR(info.st_mode)) {
            return "not a folder";
        }
        if (info.st_uid != getuid()) {
            return "belongs to user " + std::to_string(info.st_uid);
        }
        if ((info.st_mode & 077) != 0) {
            char mode[8];
            std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
            return std::string("open to other users (mode ") + mode + ")";
        }
        return {};
    }

    std::vector<std::string> refused_;
    bool out_of_memory_ = false;
};

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

RuntimeDir runtime_dir() {
    Probe probe;
    if (const char* chosen = environment(kLinkDirVariable)) {
        if (probe.usable(chosen, true)) {
            return probe.chosen(chosen);
        }
        throw probe.failure(); // the operator's choice is kept or refused, never replaced
    }
    if (const char* xdg = environment("XDG_RUNTIME_DIR");
        xdg != nullptr && probe.usable(xdg, false)) {
        return probe.chosen(xdg);
    }
    const std::string base = temp_base() + "/dopplex-" + std::to_string(getuid());
    for (int n = 0; n <= kSpareFolders; ++n) {
        const std::string dir = n == 0 ? base : base + "-" + std::to_string(n);
        if (probe.usable(dir, true)) {
            return probe.chosen(dir);
        }
    }
    std::string fresh = base + "-XXXXXX";
    if (mkdtemp(fresh.data()) != nullptr) {
        return probe.chosen(fresh, true);
    }
    probe.refuse(fresh, probe.failed("cannot be made: "));
    throw probe.failure();
}

std::vector<std::string> runtime_dir_notice(const RuntimeDir& dir) {
    if (dir.refused.empty()) {
        return {};
    }
    std::vector<std::string> lines = dir.refused;
    lines.push_back("link folder in use: " + dir.path);
    if (dir.fresh) {
        lines.back() += " (a tracker started separately needs " + std::string(kLinkDirVariable) +
                        "=" + dir.path + ")";
    }
    return lines;
}

std::string socket_path(const std::string& dir, const std::string& service,
                        const std::string& topic) {
    std::string path = dir + "/dopplex-link." + safe_word(service) + "." + safe_word(topic);
    if (path.size() >= sizeof(sockaddr_un::sun_path)) {
        throw LinkStartError(kLinkInvalidParameter, "socket path too long: " + path + "\n");
    }
    return path;
}

} // namespace dopplex::link
