#include "model_radio.h"

#include "keying/channel_latch.h"

#include <algorithm>

namespace dopplex::bench {

namespace {

struct Button {
    Channel channel;
    RadioSide side;
    int direction;
};

constexpr std::array<Button, 4> kButtons = {{
    {Channel::RxUp, RadioSide::Rx, +1},
    {Channel::RxDown, RadioSide::Rx, -1},
    {Channel::TxUp, RadioSide::Tx, +1},
    {Channel::TxDown, RadioSide::Tx, -1},
}};

bool high(std::uint8_t byte, Channel channel) {
    return (byte >> static_cast<int>(channel)) & 1;
}

} // namespace

void ModelRadio::written(std::int64_t t, std::uint8_t byte) {
    for (const Button& b : kButtons) {
        const int line = static_cast<int>(b.channel);
        if (high(byte, b.channel) && !held_since_[line]) {
            held_since_[line] = t;
        } else if (!high(byte, b.channel) && held_since_[line]) {
            released(line, *held_since_[line], t);
        }
    }
}

void ModelRadio::finish(std::int64_t t) {
    written(t, 0);
}

void ModelRadio::released(int line, std::int64_t held_from, std::int64_t t) {
    held_since_[line].reset();
    const Button& b = *std::find_if(kButtons.begin(), kButtons.end(), [line](const Button& b) {
        return static_cast<int>(b.channel) == line;
    });
    auto& steps = steps_[static_cast<int>(b.side)];
    const std::int64_t held = t - held_from;
    if (held >= kRegisterMs) {
        steps.push_back({held_from + kRegisterMs, b.direction});
    }
    for (std::int64_t at = kRepeatAfterMs; at <= held; at += kRepeatEveryMs) {
        steps.push_back({held_from + at, b.direction});
    }
    // The other button of the side may have registered later while this one was held.
    std::stable_sort(steps.begin(), steps.end(),
                     [](const DialStep& a, const DialStep& b) { return a.t < b.t; });
}

int ModelRadio::steps_by(RadioSide side, std::int64_t t) const {
    int net = 0;
    for (const DialStep& s : steps(side)) {
        if (s.t > t) {
            break;
        }
        net += s.direction;
    }
    return net;
}

} // namespace dopplex::bench
