// ParseNumber on arbitrary text; the formats on arbitrary doubles, whose texts must parse again.
#include "base/numtext.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace {

void CheckFormatsOf(double x) {
    for (const auto& [precision, decimals] : {std::pair{4, 1}, {12, 0}, {7, 5}, {8, 4}, {6, 0}}) {
        (void)dopplex::FormatFixed(x, precision, decimals);
    }
    if (!std::isfinite(x)) {
        return;
    }
    const std::string text = dopplex::FormatGeneral(x);
    double back = 0;
    try {
        back = dopplex::ParseNumber(text); // EConvertError here is a finding
    } catch (const dopplex::EOverflow&) {
        return; // 15 digits of a value next to the largest double round above it
    }
    const bool whole = std::fabs(x) < 1e15 && x == std::trunc(x);
    const double tolerance =
        whole ? 0 : 1e-14 * std::fabs(x) + std::numeric_limits<double>::denorm_min();
    if (std::fabs(back - x) > tolerance) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        CheckFormatsOf(dopplex::ParseNumber(text));
    } catch (const dopplex::EConvertError&) {
    } catch (const dopplex::EOverflow&) {
    }
    if (size >= sizeof(double)) {
        double x = 0;
        std::memcpy(&x, data, sizeof x);
        CheckFormatsOf(x);
    }
    return 0;
}
