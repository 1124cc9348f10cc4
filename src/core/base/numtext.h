// Number <-> text conversions used wherever a working value passes through a field's text.
// Owns no state; callable from any thread. Always uses "." as the decimal separator, whatever the
// process locale says. Parse failures raise EConvertError; values beyond the double range raise
// EOverflow ("Floating point overflow").
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace dopplex {

// A field's text is not a number of the kind asked for.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A value left the range of a double.
class EOverflow : public std::runtime_error {
public:
    EOverflow() : std::runtime_error("Floating point overflow") {}
};

// General form, 15 significant digits: 12, -1234.5, 0.0001, 1E-5, 1.23456789012346E15.
std::string FormatGeneral(double x);

// Fixed form with `decimals` decimals, or the exponent form when the integer part has more than
// `precision` digits: FormatFixed(436775123, 7, 5) == "4.367751E8".
std::string FormatFixed(double x, int precision, int decimals);

// Reads a decimal number ("4.367750E8", " -.5 "); raises EConvertError or EOverflow.
double ParseNumber(const std::string& text);

// Reads a 32-bit integer, decimal or hexadecimal ("$1A", "0x1A"); raises EConvertError.
std::int32_t ParseInteger(const std::string& text);

std::string FormatInteger(std::int32_t n);

// Nearest integer, halves to the even neighbour.
std::int64_t RoundHalfEven(double x);

// The text the general error report shows for an error message: a final "." is appended when
// the last character's byte value is above that of ".".
std::string ReportText(const std::string& message);

} // namespace dopplex
