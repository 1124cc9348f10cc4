// The commands of Hamlib's network rig (rigctld) that trackers send, answered as if Dopplex
// were the radio: the main and split (TX) VFO frequencies, no PTT, no split reported, AOS and
// LOS marks. Anything else is refused, so a client never waits for an answer. One instance per
// client, copied from the listener's first: a client reads back the frequency it set itself,
// never another client's (a tracker takes a readback that differs from its own set for the
// operator's knob and follows it); one that has set none reads the last any client set. The
// caller's thread only.
#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "hamlib/hamlib_reply.h"

namespace dopplex::tracker {

class RigCommands {
public:
    HamlibReply answer(std::string_view line);

private:
    struct Frequencies {
        std::optional<double> main_hz;
        std::optional<double> split_hz;
    };
    static std::string read_back(const std::optional<double>& own,
                                 const std::optional<double>& any);

    Frequencies own_;
    std::shared_ptr<Frequencies> any_ = std::make_shared<Frequencies>();
};

} // namespace dopplex::tracker
