// The eight output channel flags and their byte on the port (the latch).
// Owned by the main window; used by every handler that raises or lowers a line, on the engine
// thread. WritePort is gated by "Enable hardware" at every call, and each call is a real write.
#pragma once

#include "classic/controls/control.h"
#include "keying/port_writer.h"

#include <array>
#include <cstdint>

namespace dopplex {

class PressGuard;

// Bit n of the port's data byte; DB-25 pin n + 2.
enum class Channel { RxUp, RxDown, RxTuned, GreenLed, TxUp, TxDown, TxTuned, AuxChannel };
inline constexpr int kChannelCount = 8;

class ChannelLatch {
public:
    ChannelLatch(PortWriter& port, const Control& enable_hardware)
        : port_(port), enable_hardware_(enable_hardware) {}

    bool flag(Channel c) const { return flags_[static_cast<int>(c)]; }
    void set_flag(Channel c, bool on) { flags_[static_cast<int>(c)] = on; }

    std::uint8_t ChannelByte() const;
    void WritePort(std::uint8_t value);
    // The rule after every change of a flag: the whole byte goes out.
    void write_channel_byte() { WritePort(ChannelByte()); }

    std::uint16_t PortAddress = 0;

    // The guard that ends overlong presses, where the program runs one (the application, not
    // virtual time). A press that should last other than a half-period says so before its rise.
    PressGuard* guard = nullptr;
    void set_press_length(Channel c, std::int64_t ms);

private:
    PortWriter& port_;
    const Control& enable_hardware_;
    std::array<bool, kChannelCount> flags_{};
};

} // namespace dopplex
