// The decimal form both number formats are laid out from: a double cut to a digit limit and,
// optionally, a limit of decimals. Owns no state; pure functions, any thread, raise nothing.
#pragma once

#include <optional>
#include <string>

namespace dopplex {

// Value 0.d1d2...dk * 10^exponent; digits has no leading or trailing '0'. Zero (of either sign)
// is the empty digit string with exponent 0 and no sign.
struct DecimalForm {
    bool negative = false;
    int exponent = 0;
    std::string digits;
};

// Rounds |x| to 18 significant digits exactly (ties to even), then cuts to `digit_limit` digits,
// or to `decimals_limit` decimals when that cuts earlier, rounding half away from zero by the
// digit cut away. x must be finite.
DecimalForm MakeDecimalForm(double x, int digit_limit, std::optional<int> decimals_limit);

// Plain digits, "0.000ddd", or "d.dddE-5" when the exponent lies outside -3 .. precision.
std::string GeneralLayout(const DecimalForm& form, int precision);

// "INF", "-INF" or "NAN" for a value no format can show as digits.
std::string NonFiniteText(double x);

} // namespace dopplex
