// The pass log: one CSV file per pass, named by satellite and AOS time, with a row per tracking
// update and per pulse. A folder or file that cannot be made or written is reported once for
// the pass and the rest of that pass goes unlogged; nothing here stops a pass or throws.
// One thread at a time (the log's own worker in the app, the test's thread in tests).
#pragma once

#include "pass_record.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace dopplex::app {

// $XDG_DATA_HOME/dopplex/passes, else $HOME/.local/share/dopplex/passes; none without either
// (a relative XDG_DATA_HOME is ignored, as the XDG rules ask).
std::optional<std::filesystem::path> pass_log_folder(const char* xdg_data_home, const char* home);
// "AO-51_20261207T082056Z": only letters, digits, '-' and '_' from the name.
std::string pass_file_stem(const std::string& satellite, std::int64_t aos_utc_ms);

inline constexpr const char* kPassLogHeader =
    "time_utc,el_deg,az_deg,dn_hz,up_hz,side,direction,source,dial_hz";
std::string csv_row(const TrackingPoint& point);
std::string csv_row(const PulseRecord& pulse);

class PassLogWriter final : public PassObserver {
public:
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

    // The file of the pass being logged; none before the first AOS or after a failure.
    std::optional<std::filesystem::path> file() const;

private:
    bool open_file(const std::string& stem);
    void write(const std::string& line);
    void fail(const std::string& what, const std::filesystem::path& where, int error);
    void close(bool tell_failure);

    std::filesystem::path folder_;
    Report report_;
    Opened opened_;
    std::FILE* file_ = nullptr;
    std::filesystem::path path_;
};

} // namespace dopplex::app
