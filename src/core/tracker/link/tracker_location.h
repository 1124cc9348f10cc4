// Finds the tracker's command line at start-up. The Windows tracker: "Orbitron.exe" beside the
// program, else the folder kept in the per-user settings key. On Linux: the command line kept in
// the settings, else the Hamlib relay, which only serves what Gpredict commands and so can never
// invent a pass. Called once by the window's creation handler on the engine thread; raises
// SettingsTypeError ("Invalid data type for 'Path'") for a value that is not text.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include "tracker/link/settings_store.h"

namespace dopplex {

inline constexpr const char* kTrackerProgramFile = "Orbitron.exe";
inline constexpr const char* kTrackerSettingsKey = "Software\\Stoff\\Orbitron";
inline constexpr const char* kTrackerPathValue = "Path";
inline constexpr const char* kDefaultServiceApplication = "orbitron";
inline constexpr const char* kTrackerCommandKey = "Software\\Dopplex";
inline constexpr const char* kTrackerCommandValue = "Tracker";
inline constexpr const char* kDefaultTrackerCommand = "dopplex-tracker --hamlib";

class SettingsTypeError : public std::runtime_error {
public:
    explicit SettingsTypeError(const std::string& value_name);
};

// app_dir ends with the platform separator; file_exists tells whether a file exists.
// Returns "orbitron" or the "Path" value (unexpanded) followed directly by "orbitron".
std::string locate_tracker(const std::string& app_dir,
                           const std::function<bool(const std::string&)>& file_exists,
                           SettingsStore& settings);

// The value "Tracker" of the key "Software\Dopplex" when it is text and not empty, else
// `fallback`.
std::string configured_tracker(SettingsStore& settings, const std::string& fallback);

} // namespace dopplex
