#include "small_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dopplex::headless {

namespace {

std::string bound_text(std::size_t bytes) {
    if (bytes % (1 << 20) == 0) {
        return std::to_string(bytes >> 20) + " MiB";
    }
    if (bytes % (1 << 10) == 0) {
        return std::to_string(bytes >> 10) + " KiB";
    }
    return std::to_string(bytes) + " bytes";
}

// Closes the descriptor however the reading ends.
struct OpenFile {
    int fd;
    ~OpenFile() { ::close(fd); }
};

} // namespace

std::optional<std::string> read_small_file(const std::filesystem::path& file,
                                           std::size_t limit_bytes) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        throw ConfigError(file.string() + ": cannot be read: " + std::strerror(errno));
    }
    const OpenFile open_file{fd};
    const std::string too_large =
        file.string() + ": larger than " + bound_text(limit_bytes) + ", the most dopplexd reads";
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
        static_cast<unsigned long long>(status.st_size) > limit_bytes) {
        throw ConfigError(too_large);
    }
    // Read past the size the file showed: a file that grows, or a device, is bounded all the same.
    std::string text;
    char chunk[16384];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw ConfigError(file.string() + ": cannot be read: " + std::strerror(errno));
        }
        if (n == 0) {
            break;
        }
        text.append(chunk, static_cast<std::size_t>(n));
        if (text.size() > limit_bytes) {
            throw ConfigError(too_large);
        }
    }
    return text;
}

} // namespace dopplex::headless
