#include "control_ids.h"

#include "window_layout.h"

namespace dopplex::app::win32 {

namespace {

constexpr int kFirstControlId = 1000;

} // namespace

int control_id(std::string_view name) {
    const auto placements = control_placements();
    for (std::size_t i = 0; i < placements.size(); ++i) {
        if (placements[i].name == name) {
            return kFirstControlId + static_cast<int>(i);
        }
    }
    return 0;
}

std::string_view control_name(int id) {
    const auto placements = control_placements();
    const int index = id - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(placements.size())) {
        return {};
    }
    return placements[static_cast<std::size_t>(index)].name;
}

} // namespace dopplex::app::win32
