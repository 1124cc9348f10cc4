// A main window on the virtual host, with the references typed and the hardware enabled, and
// helpers to script a pass and read the port trace back.
#pragma once

#include "classic/tfmain.h"
#include "keying/recording_port.h"
#include "runtime/event_loop.h"
#include "runtime/virtual_host.h"

#include <cstdint>
#include <deque>
#include <limits>
#include <string>
#include <vector>

namespace dopplex::test {

// Port bits of the channels.
inline constexpr std::uint8_t kRxUpBit = 1, kRxDownBit = 2, kRxTunedBit = 4, kGreenBit = 8,
                              kTxUpBit = 16, kTxDownBit = 32, kTxTunedBit = 64;

inline constexpr std::int64_t kRxRefHz = 436775000; // typed as 4.367750E8
inline constexpr std::int64_t kTxRefHz = 145917000; // typed as 1.459170E8
inline constexpr std::int64_t kForever = std::numeric_limits<std::int64_t>::max();

// A tracking text as the tracker sends it.
std::string Record(double elevation, std::int64_t downlink_hz, std::int64_t uplink_hz);

// When an operator input's handler started and returned.
struct Span {
    std::int64_t start = -1;
    std::int64_t end = -1;
    std::int64_t length() const { return end - start; }
};

struct RigOptions {
    bool type_references = true;
    bool hardware = true;
    const char* step = "RadioButton1";
};

struct Rig {
    explicit Rig(RigOptions options = {});

    // A tracking update whose frequencies lie the given differences away from the references.
    void update(std::int64_t t, double elevation, std::int64_t rx_diff_hz = 0,
                std::int64_t tx_diff_hz = 0);
    void link_close(std::int64_t t);
    // Operator input; the returned span is filled when the handler has run.
    const Span& click(std::int64_t t, const std::string& name);
    const Span& key(std::int64_t t, int virtual_key);
    void type(std::int64_t t, const std::string& name, const std::string& text);
    void run(std::int64_t until) { loop.run(until); }

    // Times at which `bit` went high, among the writes made in [from, to).
    std::vector<std::int64_t> rises(std::uint8_t bit, std::int64_t from = 0,
                                    std::int64_t to = kForever) const;
    std::vector<PortWrite> writes(std::int64_t from, std::int64_t to = kForever) const;
    std::vector<std::string> report_texts() const;

    VirtualHost host;
    EventLoop loop{host};
    RecordingPort port{host};
    TFMain form{loop, port};

private:
    const Span& timed_input(std::int64_t t, std::function<void()> action);
    std::deque<Span> spans_;
};

// The writes of a counted train of `pulses` pulses on `bit` from `t0`, over the other lines
// `base`, with the start value 1.
std::vector<PortWrite> TrainWrites(std::int64_t t0, std::uint8_t base, std::uint8_t bit,
                                   int pulses);

// The memo of a logged train: the counter lines 1 to 2*pulses, then `closing`.
std::vector<std::string> TrainLog(int pulses, std::vector<std::string> closing);

} // namespace dopplex::test
