// The main window's controls as the designer left them: caption or text, visibility and the
// enabled and checked states before the creation handler runs.
#pragma once

#include <span>
#include <string_view>

namespace dopplex {

struct FieldSpec {
    std::string_view name;
    std::string_view text; // caption of buttons, check boxes, radio buttons and labels
    bool visible = true;
    bool enabled = true;
    bool checked = false;
};

std::span<const FieldSpec> field_table();

} // namespace dopplex
