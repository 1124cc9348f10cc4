// The commands of Hamlib's network rig (rigctld) that trackers send, answered as if Dopplex
// were the radio: the main and split (TX) VFO frequencies as last commanded, no PTT, no split
// reported, AOS and LOS marks. Anything else is refused, so a client never waits for an
// answer. One instance per listener; the caller's thread only.
#pragma once

#include <string_view>

#include "hamlib/hamlib_reply.h"

namespace dopplex::tracker {

class RigCommands {
public:
    HamlibReply answer(std::string_view line);

private:
    double main_hz_ = 0.0;
    double split_hz_ = 0.0;
};

} // namespace dopplex::tracker
