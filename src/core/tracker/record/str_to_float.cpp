#include "tracker/record/str_to_float.h"

#include "base/numtext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string_view>

namespace dopplex {
namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Decimal exponent of the first significant digit of a checked, unsigned, non-zero number, the
// exponent part saturated; only its sign is used, to tell overflow from underflow.
long decimal_magnitude(std::string_view number) {
    const std::size_t e = std::min(number.find_first_of("Ee"), number.size());
    const std::string_view mantissa = number.substr(0, e);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) {
        return 0;
    }
    long magnitude =
        first < point ? static_cast<long>(point - first - 1) : -static_cast<long>(first - point);
    std::size_t i = e + 1;
    if (i >= number.size()) {
        return magnitude;
    }
    const bool negative = number[i] == '-';
    if (number[i] == '+' || number[i] == '-') {
        ++i;
    }
    long exponent = 0;
    for (; i < number.size() && exponent < 1000000; ++i) {
        exponent = exponent * 10 + (number[i] - '0');
    }
    return magnitude + (negative ? -exponent : exponent);
}

} // namespace

double StrToFloatOrZero(const std::string& s) {
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n && s[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    const std::size_t number_begin = i;
    std::size_t digits = 0;
    while (i < n && is_digit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && is_digit(s[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0;
    }
    if (i < n && (s[i] == 'E' || s[i] == 'e')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) {
            ++i;
        }
        std::size_t exponent_digits = 0;
        while (i < n && is_digit(s[i])) {
            ++i;
            ++exponent_digits;
        }
        if (exponent_digits == 0) {
            return 0;
        }
    }
    if (i != n) {
        return 0;
    }

    // from_chars never consults the locale; the text is checked above, so only the range can
    // fail, and then the value lies far outside the double range on one side or the other.
    long double value = 0;
    const char* first = s.data() + number_begin;
    const auto [end, error] = std::from_chars(first, s.data() + n, value);
    if (error == std::errc::result_out_of_range) {
        if (decimal_magnitude(std::string_view(s).substr(number_begin)) > 0) {
            throw EOverflow();
        }
        return 0;
    }
    if (error != std::errc() || end != s.data() + n) {
        return 0; // unreachable for a checked text; never guess a value
    }
    // At or above this, the nearest double is infinity (infinite when long double is double).
    const long double overflow_at = std::ldexp(1.0L, 1024) - std::ldexp(1.0L, 970);
    if (value >= overflow_at) {
        throw EOverflow();
    }
    const double stored = static_cast<double>(value);
    return negative ? -stored : stored;
}

} // namespace dopplex
