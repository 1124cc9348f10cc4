#include "classic/pulse_train.h"

#include "base/numtext.h"
#include "keying/pulses.h"

#include <algorithm>
#include <cstdlib>

namespace dopplex {

namespace {

// Tells the train's listener, if it has one, how far it has got, and once that it has ended,
// however it ends.
class ProgressTeller {
public:
    ProgressTeller(const TrainProgressListener* listener, Channel channel, std::int32_t count)
        : listener_(listener), progress_{channel, 0, count, 0, true} {}
    ~ProgressTeller() {
        progress_.left_ms = 0;
        progress_.running = false;
        if (listener_) {
            (*listener_)(progress_);
        }
    }
    ProgressTeller(const ProgressTeller&) = delete;
    ProgressTeller& operator=(const ProgressTeller&) = delete;

    void tell(std::int32_t sent, std::int64_t waits_left) {
        progress_.sent = sent;
        progress_.left_ms = std::max<std::int64_t>(waits_left, 0) * kHalfPeriodMs;
        if (listener_) {
            (*listener_)(progress_);
        }
    }

private:
    const TrainProgressListener* listener_;
    TrainProgress progress_;
};

} // namespace

TrainOutcome PulseTrain(ChannelLatch& latch, Host& host, const PulseTrainSpec& train) {
    if (train.log) {
        train.log->clear_lines();
    }
    const std::string start_text = train.start.text();
    const std::string count_text = train.count.text();
    const std::int32_t start = ParseInteger(start_text);
    const std::int32_t count = ParseInteger(count_text);
    if (std::llabs(count) > kMaxTrainPulses) {
        throw ETrainRefused("A train of " + FormatInteger(count) +
                            " pulses is more than a pass can need (at most " +
                            FormatInteger(kMaxTrainPulses) + "): nothing was sent");
    }
    // In 64 bits the doubled count cannot overflow.
    const std::int64_t bound = std::llabs(2 * static_cast<std::int64_t>(count));
    TrainOutcome outcome;
    outcome.count = static_cast<std::int32_t>(std::llabs(count));
    ProgressTeller progress(train.progress, train.channel, outcome.count);
    std::int64_t step_began = host.now();
    try {
        StoppableScope stoppable(host);
        for (std::int64_t counter = start; counter <= bound; ++counter) {
            if (train.log) {
                train.log->add_line(FormatInteger(static_cast<std::int32_t>(counter)));
            }
            if (counter % 2 != 0) {
                latch.set_flag(train.channel, true);
            }
            latch.write_channel_byte();
            if (counter % 2 == 0) {
                outcome.sent += latch.flag(train.channel) ? 1 : 0;
                latch.set_flag(train.channel, false);
            }
            latch.write_channel_byte();
            progress.tell(outcome.sent, bound - counter + 1);
            step_began = host.now();
            host.wait(kHalfPeriodMs);
        }
    } catch (const EStopped&) {
        outcome.stopped = true;
        if (latch.flag(train.channel)) {
            // A press that had its whole half-period reached the radio; a shorter one may not.
            if (host.now() - step_began >= kHalfPeriodMs) {
                ++outcome.sent;
            } else {
                outcome.cut_short = true;
            }
            latch.set_flag(train.channel, false);
            latch.write_channel_byte();
        }
    }
    return outcome;
}

} // namespace dopplex
