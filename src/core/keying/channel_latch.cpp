#include "keying/channel_latch.h"

#include "keying/press_guard.h"

namespace dopplex {

std::uint8_t ChannelLatch::ChannelByte() const {
    std::uint8_t value = 0;
    for (int bit = 0; bit < kChannelCount; ++bit) {
        if (flags_[bit]) {
            value |= static_cast<std::uint8_t>(1u << bit);
        }
    }
    return value;
}

void ChannelLatch::WritePort(std::uint8_t value) {
    if (gate_) {
        port_.Out32(PortAddress, value);
    }
}

void ChannelLatch::set_press_length(Channel c, std::int64_t ms) {
    if (guard) {
        guard->set_press_length(c, ms);
    }
}

} // namespace dopplex
