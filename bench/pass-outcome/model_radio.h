// A radio behind the port as the benchmark imagines it: a button counts once its line has been
// held 20 ms, and held 400 ms it repeats every 80 ms (the first repeat at 400 ms). It reads the
// port's writes in time order and keeps each side's dial in steps from where it started.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace dopplex::bench {

enum class RadioSide { Rx, Tx };

struct DialStep {
    std::int64_t t; // when the radio took the step
    int direction;  // +1 up, -1 down
};

class ModelRadio {
public:
    // Every byte written to the port, in time order.
    void written(std::int64_t t, std::uint8_t byte);
    // Releases every line still held at `t`: the steps of a press cut off by the end of the run.
    void finish(std::int64_t t);

    // The side's steps in time order.
    const std::vector<DialStep>& steps(RadioSide side) const {
        return steps_[static_cast<int>(side)];
    }
    // The net steps taken up to and including `t`.
    int steps_by(RadioSide side, std::int64_t t) const;

    static constexpr std::int64_t kRegisterMs = 20;
    static constexpr std::int64_t kRepeatAfterMs = 400;
    static constexpr std::int64_t kRepeatEveryMs = 80;

private:
    void released(int line, std::int64_t held_from, std::int64_t t);

    std::array<std::optional<std::int64_t>, 8> held_since_{};
    std::array<std::vector<DialStep>, 2> steps_;
};

} // namespace dopplex::bench
