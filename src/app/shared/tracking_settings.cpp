#include "tracking_settings.h"

namespace dopplex::app {

RecalledTracking recall_tracking(SettingsStore& store, TFMain& form,
                                 std::optional<TrackingMode> mode) {
    std::vector<std::string> problems;
    TrackingMemory memory;
    try {
        memory = recall_memory(
            [&store](const std::string& name) -> std::optional<std::string> {
                const SettingsValue value = store.read_value(kTrackingMemoryKey, name);
                if (value.type == SettingsValue::Type::Absent) {
                    return std::nullopt;
                }
                return value.text;
            },
            problems);
    } catch (const SettingsReadError& error) {
        problems.push_back(error.what());
    }
    form.closed_loop.configure(memory.loop);
    form.closed_loop.keep_offsets(std::move(memory.offsets));
    form.SetTrackingMode(mode.value_or(memory.mode));
    return {memory.mode, std::move(problems)};
}

TrackingMemory tracking_memory(const TFMain& form) {
    return TrackingMemory{form.tracking_mode, form.closed_loop.settings(),
                          form.closed_loop.kept_offsets()};
}

void remember_tracking(SettingsStore& store, const TrackingMemory& memory) {
    for (const auto& [name, text] : memory_values(memory)) {
        store.write_text(kTrackingMemoryKey, name, text);
    }
}

} // namespace dopplex::app
