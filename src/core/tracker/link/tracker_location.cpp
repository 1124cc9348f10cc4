#include "tracker/link/tracker_location.h"

#include <optional>

namespace dopplex {

SettingsTypeError::SettingsTypeError(const std::string& value_name)
    : std::runtime_error("Invalid data type for '" + value_name + "'") {}

namespace {

// The value's text, none when it is absent; a value of another type is an error.
std::optional<std::string> text_of(const SettingsValue& value, const char* name) {
    switch (value.type) {
    case SettingsValue::Type::Absent:
        return std::nullopt;
    case SettingsValue::Type::Text:
    case SettingsValue::Type::ExpandableText:
        return value.text;
    case SettingsValue::Type::Other:
        break;
    }
    throw SettingsTypeError(name);
}

} // namespace

std::string locate_tracker(const std::string& app_dir,
                           const std::function<bool(const std::string&)>& file_exists,
                           SettingsStore& settings) {
    if (file_exists(app_dir + kTrackerProgramFile) ||
        !settings.open_or_create_key(kTrackerSettingsKey)) {
        return kDefaultServiceApplication;
    }
    const std::optional<std::string> path =
        text_of(settings.read_value(kTrackerSettingsKey, kTrackerPathValue), kTrackerPathValue);
    return path.value_or("") + kDefaultServiceApplication;
}

std::string configured_tracker(SettingsStore& settings, const std::string& fallback) {
    if (!settings.open_or_create_key(kTrackerCommandKey)) {
        return fallback;
    }
    const std::optional<std::string> command = text_of(
        settings.read_value(kTrackerCommandKey, kTrackerCommandValue), kTrackerCommandValue);
    return command && !command->empty() ? *command : fallback;
}

} // namespace dopplex
