#include "base/numtext.h"

#include <cmath>
#include <stdexcept>

namespace dopplex {

std::int64_t RoundHalfEven(double x) {
    // -2^63 <= x < 2^63, written so that NaN fails too.
    if (!(x >= -9223372036854775808.0 && x < 9223372036854775808.0)) {
        throw std::domain_error("Invalid floating point operation");
    }
    double whole = std::floor(x);
    const double fraction = x - whole; // exact: both lie on the same binary grid
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0)) {
        whole += 1;
    }
    return static_cast<std::int64_t>(whole);
}

} // namespace dopplex
