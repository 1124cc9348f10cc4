// The pass log: one CSV file per pass, named by satellite and AOS time, with a row per tracking
// update and per pulse. A pass of a satellite that starts within a minute of the file made for
// it goes on in that file, so a feed flapping across the horizon cannot fill the folder. A
// folder or file that cannot be made or written is reported once for the pass and the rest of
// that pass (and of that minute) goes unlogged; a file keeps whole rows only. Nothing here stops
// a pass or throws.
// One thread at a time (the log's own worker in the app, the test's thread in tests).
#pragma once

#include "pass_record.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace dopplex::app {

// $XDG_DATA_HOME/dopplex/passes, else $HOME/.local/share/dopplex/passes; none without either
// (a relative XDG_DATA_HOME is ignored, as the XDG rules ask).
std::optional<std::filesystem::path> pass_log_folder(const char* xdg_data_home, const char* home);
// "AO-51_20261207T082056Z": only letters, digits, '-' and '_' from the name.
std::string pass_file_stem(const std::string& satellite, std::int64_t aos_utc_ms);

inline constexpr const char* kPassLogHeader =
    "time_utc,el_deg,az_deg,dn_hz,up_hz,side,direction,source,dial_hz,note";
std::string csv_row(const TrackingPoint& point);
std::string csv_row(const PulseRecord& pulse);
std::string csv_row(const CatRecord& report);

class PassLogWriter final : public PassObserver {
public:
    static constexpr std::int64_t kFileEveryMs = 60'000; // per satellite, at most
    using Report = std::function<void(const std::string& message)>;
    using Opened = std::function<void(const std::filesystem::path& file)>;

    PassLogWriter(std::filesystem::path folder, Report report, Opened opened = {});
    ~PassLogWriter() override;
    PassLogWriter(const PassLogWriter&) = delete;
    PassLogWriter& operator=(const PassLogWriter&) = delete;

    void pass_started(const TrackingPoint& aos) override;
    // Rows only for the updates of the pass; pulses from its AOS up to the next AOS (the
    // Reset after the end belongs to the pass).
    void tracking_update(const TrackingPoint& point) override;
    void pulse_sent(const PulseRecord& pulse) override;
    // Logged as pulses are: from AOS up to the next AOS.
    void cat_reported(const CatRecord& report) override;

    // The file of the pass being logged; none before the first AOS or after a failure.
    std::optional<std::filesystem::path> file() const;

private:
    // The file last made for a satellite; none when making or writing it failed.
    struct Made {
        std::int64_t aos_utc_ms = 0;
        std::optional<std::filesystem::path> path;
    };

    bool open_file(const std::string& stem);
    bool reopen(const std::filesystem::path& path);
    void write(const std::string& line);
    void fail(const std::string& what, const std::filesystem::path& where, int error);
    void close(bool tell_failure);

    std::filesystem::path folder_;
    Report report_;
    Opened opened_;
    std::FILE* file_ = nullptr;
    std::filesystem::path path_;
    std::uintmax_t whole_rows_ = 0;    // bytes of the open file up to its last whole row
    std::map<std::string, Made> made_; // by satellite, made within the last minute
    std::string satellite_;            // of the open file
};

} // namespace dopplex::app
