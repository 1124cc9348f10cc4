#include "daemon_files.h"

#include "small_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace dopplex::headless {

namespace {

std::filesystem::path under_home(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/') {
        return value;
    }
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : "/") / fallback;
}

} // namespace

std::vector<std::filesystem::path> default_config_files() {
    return {"/etc/dopplex/dopplexd.conf",
            under_home("XDG_CONFIG_HOME", ".config") / "dopplex" / "dopplexd.conf"};
}

std::filesystem::path default_state_file() {
    if (const char* state = std::getenv("STATE_DIRECTORY"); state && state[0] == '/') {
        return std::filesystem::path(state) / "dopplexd.state";
    }
    return under_home("XDG_STATE_HOME", ".local/state") / "dopplex" / "dopplexd.state";
}

DaemonState load_state(const std::filesystem::path& file) {
    const std::optional<std::string> text = read_small_file(file);
    return text ? read_state(*text, file.string()) : DaemonState{};
}

UsableState load_state_or_set_aside(const std::filesystem::path& file, const DaemonConfig& config,
                                    std::chrono::system_clock::time_point now) {
    try {
        DaemonState state = load_state(file);
        try {
            check_state(config, state);
        } catch (const ConfigError& error) {
            throw ConfigError(file.string() + ": " + error.what());
        }
        return {std::move(state), ""};
    } catch (const ConfigError& error) {
        const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
        std::tm utc{};
        gmtime_r(&seconds, &utc);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
        const std::filesystem::path aside = file.string() + ".bad-" + stamp;
        std::error_code failed;
        std::filesystem::rename(file, aside, failed);
        return {DaemonState{}, std::string(error.what()) + ": " +
                                   (failed ? "could not be set aside (" + failed.message() + ")"
                                           : "set aside as " + aside.string()) +
                                   "; starting with no learnt offsets"};
    }
}

void save_state(const std::filesystem::path& file, const DaemonState& state) {
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
    const std::filesystem::path fresh = file.string() + ".new";
    const int fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        throw ConfigError(file.string() + ": cannot be written: " + std::strerror(errno));
    }
    const std::string text = write_state(state);
    const ssize_t wrote = ::write(fd, text.data(), text.size());
    // A short write on a full disk leaves errno alone: it is one all the same.
    int error = wrote < 0 ? errno : wrote != ssize_t(text.size()) ? ENOSPC : 0;
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && std::rename(fresh.c_str(), file.c_str()) != 0) {
        error = errno;
    }
    if (error == 0) {
        return;
    }
    ::unlink(fresh.c_str()); // the old file stays whole; no half-written one beside it
    throw ConfigError(file.string() + ": cannot be written: " + std::strerror(error));
}

std::string new_token() {
    std::random_device source;
    std::string token;
    for (int i = 0; i < 4; ++i) {
        char part[9];
        std::snprintf(part, sizeof part, "%08x", static_cast<unsigned>(source()));
        token += part;
    }
    return token;
}

} // namespace dopplex::headless
