// A Doppler frequency moving at a steady rate, as a CAT side's target in the tests: predicted
// until `fresh_until`, with the offset that knob turns move.
#pragma once

#include "cat/side_target.h"

#include <vector>

namespace dopplex::test {

inline constexpr double kBaseHz = 437'800'000;

// The Doppler frequency moving at `hz_per_s` from t = 0, predicted until `fresh_until`.
class LinearTarget : public SideTarget {
public:
    LinearTarget(double hz_per_s, std::int64_t fresh_until)
        : hz_per_s_(hz_per_s), fresh_until_(fresh_until) {}
    double doppler(std::int64_t t) const {
        return kBaseHz + hz_per_s_ * static_cast<double>(t) / 1000;
    }
    std::optional<double> target_at(Side, std::int64_t t) const override {
        if (t > fresh_until_) {
            return std::nullopt;
        }
        return doppler(t) + offset;
    }
    bool knob_turned(Side, double delta_hz) override {
        if (!takes_turns) {
            return false;
        }
        offset += delta_hz;
        knobs.push_back(delta_hz);
        return true;
    }
    double offset = 0;
    bool takes_turns = true;
    std::vector<double> knobs;

private:
    double hz_per_s_;
    std::int64_t fresh_until_;
};

} // namespace dopplex::test
