#include "pass_record.h"

namespace dopplex::app {

const char* direction_name(Direction direction) {
    return direction == Direction::Up ? "UP" : "DOWN";
}

const char* source_name(PulseOrigin source) {
    switch (source) {
    case PulseOrigin::Tune:
        return "tune";
    case PulseOrigin::Adjust:
    case PulseOrigin::CatchUp:
        return "adjust";
    case PulseOrigin::Tracking:
        return "tracking";
    case PulseOrigin::Manual:
        return "manual";
    case PulseOrigin::Reset:
        return "reset";
    case PulseOrigin::Loop:
        return "loop";
    case PulseOrigin::Other:
        break;
    }
    return "other";
}

} // namespace dopplex::app
