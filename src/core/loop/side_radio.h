// A side's radio when it is set rather than pressed (a CAT radio): the loop hands it the
// side's start, stop and Reset, and presses nothing for that side; the radio follows the loop's
// target (prediction plus offset) by itself. Engine thread.
#pragma once

namespace dopplex {

class SideRadio {
public:
    virtual ~SideRadio() = default;
    virtual void follow() = 0;
    virtual void stop() = 0;
    virtual void reset(double reference_hz) = 0;
};

} // namespace dopplex
