// The counted train of the classic stages: its start and count read from the form's fields, its
// counter lines written to a memo. Called by the train stages on the engine thread; blocks for its
// half-periods. Raises EConvertError for a start or count text that is not an integer, and
// ETrainRefused for a count beyond kMaxTrainPulses, before any pulse. Stop ends it: it lowers its
// line at the cut and returns how far it got.
#pragma once

#include "classic/controls/control.h"
#include "keying/channel_latch.h"
#include "keying/train_progress.h"
#include "runtime/host.h"

#include <cstdint>
#include <stdexcept>

namespace dopplex {

// More than any pass needs: 10000 pulses take over an hour. A larger count comes from a
// reference typed with a wrong exponent and would block the program for days.
inline constexpr std::int64_t kMaxTrainPulses = 10000;

class ETrainRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct PulseTrainSpec {
    const Control& start; // first counter value
    const Control& count; // signed number of pulses
    Control* log;         // memo that gets the counter lines, or none
    Channel channel;
    const TrainProgressListener* progress = nullptr; // told at the start, every step and the end
};

struct TrainOutcome {
    std::int32_t sent = 0;  // pulses whose line stayed high for its whole half-period
    std::int32_t count = 0; // pulses of the whole train
    bool stopped = false;   // the operator's Stop ended the train
    bool cut_short = false; // Stop came while a pulse's line was high: it was lowered early
};

TrainOutcome PulseTrain(ChannelLatch& latch, Host& host, const PulseTrainSpec& train);

} // namespace dopplex
