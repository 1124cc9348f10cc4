#include "tracking_settings.h"

#include <stdexcept>

namespace dopplex::app {

namespace {

constexpr const char* kRadioNames[] = {"RxRadio", "TxRadio"};

} // namespace

RecalledTracking recall_tracking(SettingsStore& store, TFMain& form,
                                 std::optional<TrackingMode> mode) {
    std::vector<std::string> problems;
    TrackingMemory memory;
    SideRadios radios;
    const auto value = [&store](const std::string& name) -> std::optional<std::string> {
        const SettingsValue value = store.read_value(kTrackingMemoryKey, name);
        if (value.type == SettingsValue::Type::Absent) {
            return std::nullopt;
        }
        return value.text;
    };
    try {
        memory = recall_memory(value, problems);
        for (std::size_t i : {0u, 1u}) {
            if (const std::optional<std::string> text = value(kRadioNames[i])) {
                try {
                    radios[i] = parse_side_radio(*text);
                } catch (const std::invalid_argument& e) {
                    problems.push_back(std::string("The setting ") + kRadioNames[i] +
                                       " is not used: " + e.what());
                }
            }
        }
    } catch (const SettingsReadError& error) {
        problems.push_back(error.what());
    }
    form.closed_loop.configure(memory.loop);
    form.closed_loop.keep_offsets(std::move(memory.offsets));
    form.SetTrackingMode(mode.value_or(memory.mode));
    return {memory.mode, radios, std::move(problems)};
}

SideRadios radios_for_run(SideRadios remembered,
                          const std::map<Side, std::optional<CatAddress>>& given) {
    for (const auto& [side, radio] : given) {
        remembered[static_cast<std::size_t>(side)] = radio;
    }
    return remembered;
}

std::vector<std::pair<std::string, std::string>> radio_values(const SideRadios& radios) {
    return {{kRadioNames[0], side_radio_text(radios[0])},
            {kRadioNames[1], side_radio_text(radios[1])}};
}

TrackingMemory tracking_memory(const TFMain& form) {
    return TrackingMemory{form.tracking_mode, form.closed_loop.settings(),
                          form.closed_loop.kept_offsets()};
}

void remember_tracking(SettingsStore& store, const TrackingMemory& memory) {
    remember_values(store, memory_values(memory));
}

void remember_values(SettingsStore& store,
                     const std::vector<std::pair<std::string, std::string>>& values) {
    for (const auto& [name, text] : values) {
        store.write_text(kTrackingMemoryKey, name, text);
    }
}

} // namespace dopplex::app
