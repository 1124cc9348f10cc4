#include "settings/settings_text_file.h"

#include "tracker/link/settings_store.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace dopplex::settings {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // False when closing reports an error: what was written may not have landed.
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

SettingsReadError read_error(const std::string& file, const std::string& reason) {
    return SettingsReadError("Cannot read the settings file " + file + ": " + reason);
}

std::string errno_text(int error) {
    return std::generic_category().message(error);
}

void split_lines(const std::string& bytes, SettingsText& text) {
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            text.crlf = text.crlf || text.lines.empty();
        }
        text.lines.push_back(std::move(line));
        start = end + 1;
    }
}

// Where a change goes: the end of the file's chain of links (which may not exist yet).
std::filesystem::path link_target(const std::string& file, const std::string& failure) {
    std::filesystem::path path(file);
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!std::filesystem::is_symlink(path, error)) {
            return path;
        }
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error) {
            throw std::runtime_error(failure + ": " + error.message());
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    throw std::runtime_error(failure + ": " + errno_text(ELOOP));
}

bool write_all(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(count);
    }
    return true;
}

} // namespace

SettingsText read_settings_text(const std::string& file) {
    SettingsText text;
    // Non-blocking, so that a FIFO in the file's place is refused instead of waited on.
    Descriptor in(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (in.get() < 0) {
        const int error = errno;
        if (error == ENOENT) {
            return text;
        }
        throw read_error(file, errno_text(error));
    }
    struct stat info {};
    if (::fstat(in.get(), &info) != 0) {
        throw read_error(file, errno_text(errno));
    }
    if (!S_ISREG(info.st_mode)) {
        throw read_error(file, "it is not a regular file");
    }
    text.mode = info.st_mode & 07777;
    std::string bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(in.get(), buffer, sizeof buffer);
        if (count == 0) {
            break;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            throw read_error(file, errno_text(errno));
        }
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    split_lines(bytes, text);
    return text;
}

void write_settings_text(const std::string& file, const SettingsText& text) {
    const std::string failure = "Cannot write the settings file " + file;
    const std::filesystem::path path = link_target(file, failure);
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    const std::string temporary = path.string() + ".tmp" + std::to_string(getpid());
    std::string bytes;
    for (const std::string& line : text.lines) {
        bytes += line + (text.crlf ? "\r\n" : "\n");
    }
    {
        Descriptor out(
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666));
        if (out.get() < 0) {
            throw std::runtime_error(failure);
        }
        // The umask shaped the new file; an existing file's permissions are kept exactly.
        const bool written =
            (!text.mode || ::fchmod(out.get(), *text.mode) == 0) && write_all(out.get(), bytes);
        if (!out.close() || !written) {
            std::remove(temporary.c_str());
            throw std::runtime_error(failure);
        }
    }
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::remove(temporary.c_str());
        throw std::runtime_error(failure);
    }
}

} // namespace dopplex::settings
