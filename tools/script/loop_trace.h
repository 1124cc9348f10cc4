// The closed loop's lines of the scenario trace: its presses, "behind" and late presses as they
// happen, and its state in a dump.
#pragma once

#include "loop/closed_loop.h"
#include "loop/loop_observer.h"
#include "runtime/host.h"

#include <iosfwd>

namespace dopplex {

class LoopTrace final : public LoopObserver {
public:
    LoopTrace(std::ostream& out, Host& host) : out_(out), host_(host) {}
    void loop_pressed(const LoopPress& press) override;
    void loop_behind(Side side, int steps) override;
    void loop_tuning_ahead(Side side, std::int64_t aos_in_ms) override;
    void loop_late_press(Side side, std::int64_t held_ms) override;
    void loop_reach(Side side, bool in_reach, double heard_hz) override;
    // The dump's "loop" member, with its leading comma.
    void dump(const ClosedLoop& loop) const;

private:
    std::ostream& out_;
    Host& host_;
};

} // namespace dopplex
