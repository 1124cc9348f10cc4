// The eight output channel flags and their byte on the port (the latch).
// Owned by the main window; used by every handler that raises or lowers a line, on the engine
// thread. WritePort writes only while the gate is open (the form opens it with "Enable hardware"),
// and each call then is a real write.
#pragma once

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
    explicit ChannelLatch(PortWriter& port) : port_(port) {}

    // Read at every write, never remembered: opening it writes nothing by itself.
    bool gate() const { return gate_; }
    void set_gate(bool open) { gate_ = open; }

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
    bool gate_ = false;
    std::array<bool, kChannelCount> flags_{};
};

} // namespace dopplex
