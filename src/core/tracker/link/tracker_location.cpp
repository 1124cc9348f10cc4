#include "tracker/link/tracker_location.h"

namespace dopplex {

SettingsTypeError::SettingsTypeError(const std::string& value_name)
    : std::runtime_error("Invalid data type for '" + value_name + "'") {}

std::string locate_tracker(const std::string& app_dir,
                           const std::function<bool(const std::string&)>& file_exists,
                           SettingsStore& settings) {
    if (file_exists(app_dir + kTrackerProgramFile)) {
        return kDefaultServiceApplication;
    }
    if (!settings.open_or_create_key(kTrackerSettingsKey)) {
        return kDefaultServiceApplication;
    }
    const SettingsValue path = settings.read_value(kTrackerSettingsKey, kTrackerPathValue);
    switch (path.type) {
    case SettingsValue::Type::Absent:
        return kDefaultServiceApplication;
    case SettingsValue::Type::Text:
    case SettingsValue::Type::ExpandableText:
        return path.text + kDefaultServiceApplication;
    case SettingsValue::Type::Other:
        break;
    }
    throw SettingsTypeError(kTrackerPathValue);
}

std::string configured_tracker(SettingsStore& settings, const std::string& fallback) {
    if (!settings.open_or_create_key(kTrackerCommandKey))
        return fallback;
    const SettingsValue command = settings.read_value(kTrackerCommandKey, kTrackerCommandValue);
    switch (command.type) {
    case SettingsValue::Type::Absent:
        return fallback;
    case SettingsValue::Type::Text:
    case SettingsValue::Type::ExpandableText:
        return command.text.empty() ? fallback : command.text;
    case SettingsValue::Type::Other:
        break;
    }
    throw SettingsTypeError(kTrackerCommandValue);
}

} // namespace dopplex
