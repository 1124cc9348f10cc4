// Locale-independent number reading for the tracking line. Pure function, any thread; raises
// EOverflow (base/numtext.h) for values beyond the double range.
#pragma once

#include <string>

namespace dopplex {

// The double that the whole of `s` spells with a "." decimal point, else 0. Form: leading
// spaces, an optional sign, digits with an optional point, an optional exponent ("E"/"e",
// optional sign, at least one digit); nothing after. Read in extended precision, then stored as
// a double: magnitudes too small for a double give 0, too large raise EOverflow.
double StrToFloatOrZero(const std::string& s);

} // namespace dopplex
