// The feeds the benchmark flies besides the even generated passes: the same pass delivered
// unevenly (arrivals jittered, every third update lost, a 2 s cycle) and a recorded real
// Gpredict session (its rig commands with their times, as a logging proxy wrote them).
#pragma once

#include "operator_script.h"
#include "pass_kinds.h"

#include <cstdint>
#include <string>

namespace dopplex::bench {

// One update a second, each arriving when its frequencies hold.
Feed feed_of(const PassKind& kind);
// Each update arrives up to `spread_ms` early or late (the same draw every run).
Feed jittered(const PassKind& kind, std::int64_t spread_ms);
// Every third update never arrives.
Feed thinned(const PassKind& kind);
// One update every `cycle_ms`.
Feed cycled(const PassKind& kind, int cycle_ms);

// The proxy's lines "<unix s> <monotonic s> C <command>": F sets the downlink, I the uplink, AOS
// and LOS are Gpredict's signals. The text the relay would show follows each F and I: EL0.0
// before AOS, EL0.1 up to LOS, EL-2.0 from LOS. Throws std::runtime_error when the file cannot
// be read or holds no pass.
Feed recorded_gpredict(const std::string& path, const std::string& label, double downlink_hz,
                       double uplink_hz);

} // namespace dopplex::bench
