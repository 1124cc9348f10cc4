#include "pass_record.h"

namespace dopplex::app {

const char* direction_name(Direction direction) {
    return direction == Direction::Up ? "UP" : "DOWN";
}

const char* source_name(PulseSource source) {
    switch (source) {
    case PulseSource::Tune:
        return "tune";
    case PulseSource::Adjust:
        return "adjust";
    case PulseSource::Tracking:
        return "tracking";
    case PulseSource::Manual:
        return "manual";
    case PulseSource::Reset:
        return "reset";
    case PulseSource::Loop:
        return "loop";
    case PulseSource::Other:
        break;
    }
    return "other";
}

} // namespace dopplex::app
