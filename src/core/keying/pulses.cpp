#include "keying/pulses.h"

#include "console/numtext/numtext.h"

#include <cstdlib>

namespace dopplex {

void SinglePulse(ChannelLatch& latch, Host& host, Channel channel) {
    latch.set_flag(channel, true);
    latch.write_channel_byte();
    host.wait(kHalfPeriodMs);
    latch.set_flag(channel, false);
    latch.write_channel_byte();
    host.wait(kHalfPeriodMs);
}

void PulseTrain(ChannelLatch& latch, Host& host, const PulseTrainSpec& train) {
    if (train.log)
        train.log->clear_lines();
    const std::string start_text = train.start.text();
    const std::string count_text = train.count.text();
    const std::int32_t start = ParseInteger(start_text);
    const std::int32_t count = ParseInteger(count_text);
    if (std::llabs(count) > kMaxTrainPulses)
        throw ETrainRefused("A train of " + FormatInteger(count) +
                            " pulses is more than a pass can need (at most " +
                            FormatInteger(kMaxTrainPulses) + "): nothing was sent");
    // In 64 bits the doubled count cannot overflow.
    const std::int64_t bound = std::llabs(2 * static_cast<std::int64_t>(count));
    for (std::int64_t counter = start; counter <= bound; ++counter) {
        if (train.log)
            train.log->add_line(FormatInteger(static_cast<std::int32_t>(counter)));
        if (counter % 2 != 0)
            latch.set_flag(train.channel, true);
        latch.write_channel_byte();
        if (counter % 2 == 0)
            latch.set_flag(train.channel, false);
        latch.write_channel_byte();
        host.wait(kHalfPeriodMs);
    }
}

} // namespace dopplex
