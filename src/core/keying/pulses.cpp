#include "keying/pulses.h"

namespace dopplex {

void SinglePulse(ChannelLatch& latch, Host& host, Channel channel) {
    latch.set_flag(channel, true);
    latch.write_channel_byte();
    host.wait(kHalfPeriodMs);
    latch.set_flag(channel, false);
    latch.write_channel_byte();
    host.wait(kHalfPeriodMs);
}

} // namespace dopplex
