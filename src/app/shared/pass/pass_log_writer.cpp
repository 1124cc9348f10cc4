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
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (!file) {
        _close(fd);
    }
    return file;
#else
    return std::fopen(path.c_str(), "wx");
#endif
}

// The file of a pass that goes on, its rows added at its end. Sets errno.
std::FILE* open_to_append(const std::filesystem::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"ab");
#else
    return std::fopen(path.c_str(), "a");
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
    if (xdg_data_home && std::filesystem::path(xdg_data_home).is_absolute()) {
        base = xdg_data_home;
    } else if (home && *home) {
        base = std::filesystem::path(home) / ".local" / "share";
    } else {
        return std::nullopt;
    }
    return base / "dopplex" / "passes";
}

std::string pass_file_stem(const std::string& satellite, std::int64_t aos_utc_ms) {
    std::string name;
    for (const char c : satellite.substr(0, 40)) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_';
        name += safe ? c : '_';
    }
    if (name.empty()) {
        name = "unnamed";
    }
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

std::string csv_row(const CatRecord& report) {
    std::string quoted = "\"";
    for (const char c : report.line) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return utc_text(report.utc_ms) + ",,,,," + side_name(report.side) + ",,cat,," + quoted + "\"";
}

PassLogWriter::PassLogWriter(std::filesystem::path folder, Report report, Opened opened)
    : folder_(std::move(folder)), report_(std::move(report)), opened_(std::move(opened)) {}

PassLogWriter::~PassLogWriter() {
    close(true);
}

void PassLogWriter::pass_started(const TrackingPoint& aos) {
    std::erase_if(made_, [&](const auto& made) {
        return aos.utc_ms - made.second.aos_utc_ms >= kFileEveryMs ||
               aos.utc_ms < made.second.aos_utc_ms;
    });
    if (const auto recent = made_.find(aos.satellite); recent != made_.end()) {
        // Within the minute: the same file goes on, or stays unlogged after a failure.
        if (file_ && satellite_ == aos.satellite) {
            return;
        }
        close(true);
        if (recent->second.path && !reopen(*recent->second.path)) {
            recent->second.path.reset();
        }
        satellite_ = aos.satellite;
        return;
    }
    close(true);
    satellite_ = aos.satellite;
    Made& made = made_[aos.satellite];
    made.aos_utc_ms = aos.utc_ms;
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    if (error) {
        fail("cannot make the folder", folder_, error.value());
        return;
    }
    if (!open_file(pass_file_stem(aos.satellite, aos.utc_ms))) {
        return;
    }
    made.path = path_;
    if (opened_) {
        opened_(path_);
    }
    write(kPassLogHeader);
}

bool PassLogWriter::open_file(const std::string& stem) {
    for (int attempt = 1; attempt <= kMaxNameTries; ++attempt) {
        const std::string suffix = attempt == 1 ? "" : "-" + std::to_string(attempt);
        const std::filesystem::path path = folder_ / (stem + suffix + ".csv");
        file_ = create_new(path);
        if (file_) {
            path_ = path;
            whole_rows_ = 0;
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

bool PassLogWriter::reopen(const std::filesystem::path& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    file_ = error ? nullptr : open_to_append(path);
    if (!file_) {
        fail("cannot reopen", path, error ? error.value() : errno);
        return false;
    }
    path_ = path;
    whole_rows_ = size;
    return true;
}

void PassLogWriter::tracking_update(const TrackingPoint& point) {
    if (point.in_pass) {
        write(csv_row(point));
    }
}

void PassLogWriter::pulse_sent(const PulseRecord& pulse) {
    write(csv_row(pulse));
}

void PassLogWriter::cat_reported(const CatRecord& report) {
    write(csv_row(report));
}

// Each row reaches the disk at once, so a full disk is found at the row that did not fit and a
// crash loses nothing written before it. The part of a row that did fit is cut off again.
void PassLogWriter::write(const std::string& line) {
    if (!file_) {
        return;
    }
    const std::string row = line + "\n";
    errno = 0;
    if (std::fwrite(row.data(), 1, row.size(), file_) == row.size() && std::fflush(file_) == 0) {
        whole_rows_ += row.size();
        return;
    }
    const int error = errno;
    const std::filesystem::path path = path_;
    fail("cannot write", path, error);
    std::error_code ignored; // a file that cannot even be cut keeps what the disk took
    std::filesystem::resize_file(path, whole_rows_, ignored);
}

void PassLogWriter::fail(const std::string& what, const std::filesystem::path& where, int error) {
    // `where` may be the open file's own path, which closing forgets.
    const std::string message = "Pass log: " + what + " " + where.string() + ": " +
                                (error ? std::strerror(error) : "unknown error") +
                                "; this pass is not logged from here on.";
    close(false);
    if (const auto made = made_.find(satellite_); made != made_.end()) {
        made->second.path.reset(); // not tried again within the minute
    }
    if (report_) {
        report_(message);
    }
}

void PassLogWriter::close(bool tell_failure) {
    if (!file_) {
        return;
    }
    std::FILE* file = std::exchange(file_, nullptr);
    errno = 0;
    const bool closed = std::fclose(file) == 0;
    if (!closed && tell_failure) {
        fail("cannot close", path_, errno);
    }
    path_.clear();
}

std::optional<std::filesystem::path> PassLogWriter::file() const {
    return file_ ? std::optional(path_) : std::nullopt;
}

} // namespace dopplex::app
