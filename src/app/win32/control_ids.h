// The child-window ids of the main window, which its tests use to find each control, and the
// window classes. No Windows header needed.
#pragma once

#include <string_view>

namespace dopplex::app::win32 {

inline constexpr wchar_t kMainWindowClass[] = L"DopplexMainWindow";
inline constexpr wchar_t kHelpWindowClass[] = L"DopplexHelpWindow";
inline constexpr wchar_t kPlotWindowClass[] = L"DopplexPassPlot";

// Esc comes as the dialog manager's cancel id; no control has it, so Esc works while both Stops
// are disabled.
inline constexpr int kEscapeId = 2;                // IDCANCEL
inline constexpr int kStopButtonIds[2] = {70, 71}; // RX, TX
inline constexpr int kRxTrainBarId = 50;
inline constexpr int kTxTrainBarId = 51;
inline constexpr int kRxDialId = 52;
inline constexpr int kTxDialId = 53;
// The readouts beside the model's controls.
inline constexpr int kLiveReadoutId = 54;
inline constexpr int kLinkStatusId = 55;
inline constexpr int kAosCountdownId = 56;
inline constexpr int kLogStatusId = 57;
inline constexpr int kPlotButtonId = 58;
inline constexpr int kHelpTextId = 60;
inline constexpr int kHelpOkayId = 61;
// The closed loop's panel: this plus the field's number, a dozen ids clear of all above.
inline constexpr int kLoopFirstId = 80;
static_assert(kLoopFirstId > kStopButtonIds[1] && kLoopFirstId > kHelpOkayId);

// The id of a model control that has a place in the layout; 0 for any other name.
int control_id(std::string_view name);
// The model control's name of an id; empty for any other id.
std::string_view control_name(int id);

} // namespace dopplex::app::win32
