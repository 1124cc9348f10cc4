#include "keying/dial_estimate.h"

#include "keying/channel_latch.h"

namespace dopplex {

namespace {

constexpr std::uint8_t bit(Channel channel) {
    return static_cast<std::uint8_t>(1u << static_cast<int>(channel));
}

struct SideLines {
    std::uint8_t up, down;
};
constexpr std::array<SideLines, 2> kLines{SideLines{bit(Channel::RxUp), bit(Channel::RxDown)},
                                          SideLines{bit(Channel::TxUp), bit(Channel::TxDown)}};

} // namespace

void DialEstimate::set_reference(Side side, std::optional<double> reference_hz) {
    SideState& s = sides_[static_cast<int>(side)];
    if (s.reference_hz == reference_hz) {
        return;
    }
    s.reference_hz = reference_hz;
    s.moved_hz = 0;
}

void DialEstimate::written(std::uint8_t byte, double step_hz) {
    const auto rising = static_cast<std::uint8_t>(byte & ~last_byte_);
    last_byte_ = byte;
    for (int side = 0; side < 2; ++side) {
        if (rising & kLines[side].up) {
            sides_[side].moved_hz += step_hz;
        }
        if (rising & kLines[side].down) {
            sides_[side].moved_hz -= step_hz;
        }
    }
}

std::optional<double> DialEstimate::dial_hz(Side side) const {
    const SideState& s = sides_[static_cast<int>(side)];
    if (!s.reference_hz) {
        return std::nullopt;
    }
    return *s.reference_hz + s.moved_hz;
}

std::optional<double> DialEstimate::difference_hz(Side side, double doppler_hz) const {
    const auto dial = dial_hz(side);
    if (!dial) {
        return std::nullopt;
    }
    return *dial - doppler_hz;
}

} // namespace dopplex
