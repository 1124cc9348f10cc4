// The commands of Hamlib's network rotator (rotctld) that trackers send: the position as last
// commanded, stop and park accepted, anything else refused. One instance per listener; the
// caller's thread only.
#pragma once

#include <string_view>

#include "hamlib/hamlib_reply.h"

namespace dopplex::tracker {

class RotatorCommands {
public:
    HamlibReply answer(std::string_view line);

private:
    double azimuth_deg_ = 0.0;
    double elevation_deg_ = 0.0;
};

} // namespace dopplex::tracker
