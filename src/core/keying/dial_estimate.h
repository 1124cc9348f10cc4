// Where each radio's dial should now be: its reference plus a step for every UP pulse and minus
// one for every DOWN pulse that reached the lines, whoever sent it (Tune, Adjust, tracking,
// manual, arrow keys, Reset), at the step in force when it went out. A new reference re-bases
// the side. An observer of port writes only; it never changes what is written. Single thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace dopplex {

enum class Side { Rx, Tx };
// "RX" or "TX", as the operator reads it.
inline const char* side_name(Side side) {
    return side == Side::Rx ? "RX" : "TX";
}

class DialEstimate {
public:
    // None: the reference is not a number (yet). A different reference starts the side afresh.
    void set_reference(Side side, std::optional<double> reference_hz);
    // Every byte that reached the port: a line that rises is one press.
    void written(std::uint8_t byte, double step_hz);
    // The lines as they are again after a spell when they were unknown: no edge is counted.
    void resync(std::uint8_t byte) { last_byte_ = byte; }

    std::optional<double> dial_hz(Side side) const;
    // The dial less the tracker's Doppler frequency: positive when the radio sits above it.
    std::optional<double> difference_hz(Side side, double doppler_hz) const;

private:
    struct SideState {
        std::optional<double> reference_hz;
        double moved_hz = 0;
    };
    std::array<SideState, 2> sides_{};
    std::uint8_t last_byte_ = 0;
};

} // namespace dopplex
