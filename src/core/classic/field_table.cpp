#include "classic/field_table.h"

#include <array>

namespace dopplex {

namespace {

constexpr bool kHidden = false;
constexpr bool kDisabled = false;

// Edits and memos not listed keep their own name as text, as the designer leaves them.
constexpr std::array kFields{
    FieldSpec{"l_st", "No data\n"},
    FieldSpec{"l_na", "?"},
    FieldSpec{"l_az", "?"},
    FieldSpec{"l_el", "?"},
    FieldSpec{"l_uf", "?"},
    FieldSpec{"l_df", "?"},
    FieldSpec{"l_um", "?"},
    FieldSpec{"l_dm", "?"},
    FieldSpec{"l_aos", "?"},
    FieldSpec{"l_dd", "Closed"},
    FieldSpec{"CheckBox1", "Enable hardware"},
    FieldSpec{"CheckBox2", "Green LED channel activating"},
    FieldSpec{"CheckBox3", "Additional channel (manual activation) "},
    FieldSpec{"RadioButton1", "100 Hz  Step", true, true, true},
    FieldSpec{"RadioButton2", "25 Hz  Step (Rush only) "},
    FieldSpec{"RadioButton3", "1000 Hz  Step"},
    FieldSpec{"Button1", "Tune RX", true, kDisabled},
    FieldSpec{"Button12", "Tune TX", true, kDisabled},
    FieldSpec{"Button2", "Freq. UP"},
    FieldSpec{"Button3", "Freq. DOWN"},
    FieldSpec{"Button20", "Freq. UP"},
    FieldSpec{"Button21", "Freq. DOWN"},
    FieldSpec{"Button7", "Adjust", true, kDisabled},
    FieldSpec{"Button9", "Adjust", true, kDisabled},
    FieldSpec{"Button15", "Adjust", true, kDisabled},
    FieldSpec{"Button16", "Adjust", true, kDisabled},
    FieldSpec{"Button11", "Start Tracking", true, kDisabled},
    FieldSpec{"Button19", "Start Tracking", true, kDisabled},
    FieldSpec{"Button22", "Reset  RX", true, kDisabled},
    FieldSpec{"Button23", "Reset  TX", true, kDisabled},
    FieldSpec{"Button6", "Help"},
    FieldSpec{"SpeedButton1", "Exit"},
    // The stages of the tuning chains: never shown; enabled means armed.
    FieldSpec{"Button4", "EC1", kHidden, kDisabled},
    FieldSpec{"Button5", "EC2", kHidden, kDisabled},
    FieldSpec{"Button8", "EC5", kHidden, kDisabled},
    FieldSpec{"Button10", "EC7", kHidden, kDisabled},
    FieldSpec{"Button13", "CT1", kHidden, kDisabled},
    FieldSpec{"Button14", "CT2", kHidden, kDisabled},
    FieldSpec{"Button17", "CT5", kHidden, kDisabled},
    FieldSpec{"Button18", "CT7", kHidden, kDisabled},
    FieldSpec{"Button24", "RS1", kHidden},
    FieldSpec{"Button25", "RS2", kHidden, kDisabled},
    // Working values, never shown.
    FieldSpec{"Edit3", "Edit3", kHidden},
    FieldSpec{"Edit4", "Edit4", kHidden},
    FieldSpec{"Edit5", "Edit5", kHidden},
    FieldSpec{"Edit6", "Edit6", kHidden},
    FieldSpec{"Edit10", "Edit10", kHidden},
    FieldSpec{"Edit11", "Edit11", kHidden},
    FieldSpec{"Edit12", "Edit12", kHidden},
    FieldSpec{"Edit15", "Edit15", kHidden},
    FieldSpec{"Edit16", "Edit16", kHidden},
    FieldSpec{"Edit17", "Edit17", kHidden},
    FieldSpec{"Edit18", "Edit18", kHidden},
    FieldSpec{"Edit20", "Edit20", kHidden},
    FieldSpec{"Edit21", "Edit21", kHidden},
    FieldSpec{"Edit23", "Edit23", kHidden},
    FieldSpec{"Edit24", "Edit24", kHidden},
    FieldSpec{"Edit25", "Edit25", kHidden},
};

} // namespace

std::span<const FieldSpec> field_table() {
    return kFields;
}

} // namespace dopplex
