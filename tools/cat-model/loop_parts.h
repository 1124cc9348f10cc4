// A closed loop with what it needs around it but no port: its lines go to a recording port, for
// the runs and tests where only its targets and offsets (and a CAT side) matter.
#pragma once

#include "keying/recording_port.h"
#include "loop/closed_loop.h"

namespace dopplex::bench {

struct LoopParts {
    explicit LoopParts(EventLoop& loop) : port(loop.host()), closed(loop, latch) {}
    RecordingPort port;
    ChannelLatch latch{port};
    ClosedLoop closed;
};

} // namespace dopplex::bench
