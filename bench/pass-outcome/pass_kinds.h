// The generated passes the outcome benchmark flies: high and low, 420 and 800 km, 70 cm down /
// 2 m up and the reverse. Each comes with the references the operator types: the nominal
// frequencies, where the radios sit before the pass.
#pragma once

#include "pass/pass_script.h"

#include <string>
#include <vector>

namespace dopplex::bench {

struct PassKind {
    std::string label; // "420 km, 85°, 437.8 / 145.99 MHz"
    tracker::Satellite satellite;
};

const std::vector<PassKind>& pass_kinds();

} // namespace dopplex::bench
