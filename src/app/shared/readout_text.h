// The words of the window's readouts, for every toolkit: a train's progress under its side's
// logs, a side's dial estimate, the link status and the plot button.
#pragma once

#include "dial_watch.h"
#include "keying/train_progress.h"

#include <string>

namespace dopplex::app {

inline constexpr const char* kLinkClickHint = "Click to open the link to the tracker";
inline constexpr const char* kLinkStatusPrefix = "Tracker link: ";
inline constexpr const char* kPlotButtonTooltip = "Show or hide the plot of the pass so far";

// RX for the receiver's lines, TX for the transmitter's.
bool is_tx_channel(Channel channel);

// "UP 25 / 94 pulses, 7 s left", then "..., done" or "..., ended".
std::string train_text(const TrainProgress& progress);

// "Dial estimate\n435300100 Hz\n+100 Hz off", or "Dial estimate\nno reference"; with a closed
// loop's offset "Offset +200 Hz\n435300300 Hz\n+100 Hz off" (off from Doppler plus offset).
std::string dial_text(const DialReading& reading);

} // namespace dopplex::app
