#include "pass_log_writer.h"

#include "utc_text.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#endif

namespace dopplex::app {

namespace {

// A new file only: an earlier log is never overwritten. Sets errno (EEXIST when it exists).
std::FILE* create_new(const std::filesystem::path& path) {
#ifdef _WIN32
    // The C runtime's fopen knows no "x"; the wide name keeps a non-ASCII folder.
    const int fd =
        _wopen(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return nullptr;
    std::FILE* file = _fdopen(fd, "wb");
    if (!file)
        _close(fd);
    return file;
#else
    return std::fopen(path.c_str(), "wx");
#endif
}

std::string fixed(double value, int decimals) {
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? std::string(text, result.ptr) : std::string();
}

std::string optional_hz(const std::optional<double>& hz) {
    return hz ? fixed(*hz, 0) : std::string();
}

// Two passes named alike (a restart within the second) never share a file.
constexpr int kMaxNameTries = 20;

} // namespace

std::optional<std::filesystem::path> pass_log_folder(const char* xdg_data_home, const char* home) {
    std::filesystem::path base;
    if (xdg_data_home && std::filesystem::path(xdg_data_home).is_absolute())
        base = xdg_data_home;
    else if (home && *home)
        base = std::filesystem::path(home) / ".local" / "share";
    else
        return std::nullopt;
    return base / "dopplex" / "passes";
}

std::string pass_file_stem(const std::string& satellite, std::int64_t aos_utc_ms) {
    std::string name;
    for (const char c : satellite.substr(0, 40)) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_';
        name += safe ? c : '_';
    }
    if (name.empty())
        name = "unnamed";
    return name + "_" + utc_stamp(aos_utc_ms);
}

std::string csv_row(const TrackingPoint& point) {
    return utc_text(point.utc_ms) + "," + fixed(point.elevation_deg, 1) + "," +
           fixed(point.azimuth_deg, 1) + "," + fixed(point.downlink_hz, 0) + "," +
           fixed(point.uplink_hz, 0) + ",,,,";
}

std::string csv_row(const PulseRecord& pulse) {
    return utc_text(pulse.utc_ms) + ",,,,," + side_name(pulse.side) + "," +
           direction_name(pulse.direction) + "," + source_name(pulse.source) + "," +
           optional_hz(pulse.dial_hz);
}

PassLogWriter::PassLogWriter(std::filesystem::path folder, Report report, Opened opened)
    : folder_(std::move(folder)), report_(std::move(report)), opened_(std::move(opened)) {}

PassLogWriter::~PassLogWriter() {
    close(true);
}

void PassLogWriter::pass_started(const TrackingPoint& aos) {
    close(true);
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    if (error) {
        fail("cannot make the folder", folder_, error.value());
        return;
    }
    if (!open_file(pass_file_stem(aos.satellite, aos.utc_ms)))
        return;
    if (opened_)
        opened_(path_);
    write(kPassLogHeader);
}

bool PassLogWriter::open_file(const std::string& stem) {
    for (int attempt = 1; attempt <= kMaxNameTries; ++attempt) {
        const std::string suffix = attempt == 1 ? "" : "-" + std::to_string(attempt);
        const std::filesystem::path path = folder_ / (stem + suffix + ".csv");
        file_ = create_new(path);
        if (file_) {
            path_ = path;
            return true;
        }
        if (errno != EEXIST) {
            fail("cannot create", path, errno);
            return false;
        }
    }
    fail("cannot create", folder_ / (stem + ".csv"), EEXIST);
    return false;
}

void PassLogWriter::tracking_update(const TrackingPoint& point) {
    if (point.in_pass)
        write(csv_row(point));
}

void PassLogWriter::pulse_sent(const PulseRecord& pulse) {
    write(csv_row(pulse));
}

// Each row reaches the disk at once, so a full disk is found at the row that did not fit and a
// crash loses nothing written before it.
void PassLogWriter::write(const std::string& line) {
    if (!file_)
        return;
    errno = 0;
    if (std::fputs((line + "\n").c_str(), file_) < 0 || std::fflush(file_) != 0)
        fail("cannot write", path_, errno);
}

void PassLogWriter::fail(const std::string& what, const std::filesystem::path& where, int error) {
    // `where` may be the open file's own path, which closing forgets.
    const std::string message = "Pass log: " + what + " " + where.string() + ": " +
                                (error ? std::strerror(error) : "unknown error") +
                                "; this pass is not logged from here on.";
    close(false);
    if (report_)
        report_(message);
}

void PassLogWriter::close(bool tell_failure) {
    if (!file_)
        return;
    std::FILE* file = std::exchange(file_, nullptr);
    errno = 0;
    const bool closed = std::fclose(file) == 0;
    if (!closed && tell_failure)
        fail("cannot close", path_, errno);
    path_.clear();
}

std::optional<std::filesystem::path> PassLogWriter::file() const {
    return file_ ? std::optional(path_) : std::nullopt;
}

} // namespace dopplex::app
