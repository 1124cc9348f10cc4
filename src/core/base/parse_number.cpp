#include "base/numtext.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string_view>
#include <system_error>

namespace dopplex {
namespace {

constexpr int kExponentStop = 500;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

[[noreturn]] void Fail(const std::string& text) {
    throw EConvertError("'" + text + "' is not a valid floating point value");
}

// digits * 10^scale, digits without leading or trailing zeros, rounded to the 64-bit-significand
// working format. Returns false when the value overflows that format.
bool ToWorkingFormat(const std::string& digits, long long scale, long double& value) {
    // 0.digits * 10^magnitude; far outside the working range there is nothing to convert.
    const long long magnitude = scale + static_cast<long long>(digits.size());
    constexpr long long kBeyondMax = std::numeric_limits<long double>::max_exponent10 + 2;
    constexpr long long kBelowMin = std::numeric_limits<long double>::min_exponent10 - 40;
    if (magnitude > kBeyondMax) {
        return false;
    }
    if (magnitude < kBelowMin) {
        value = 0;
        return true;
    }
#if defined(__MINGW32__)
    // MinGW's libstdc++ converts long double through double; its C library's strtold keeps the
    // 64-bit significand. No decimal point in the text, so the locale cannot matter.
    const std::string normalized = digits + "e" + std::to_string(scale);
    errno = 0;
    value = std::strtold(normalized.c_str(), nullptr);
    const bool out_of_range = errno == ERANGE;
#else
    std::string normalized = "0." + digits + "e" + std::to_string(magnitude);
    const auto result =
        std::from_chars(normalized.data(), normalized.data() + normalized.size(), value);
    const bool out_of_range = result.ec == std::errc::result_out_of_range;
#endif
    if (out_of_range) {
        if (magnitude > 0) {
            return false;
        }
        value = 0; // underflow passes silently
    }
    return true;
}

} // namespace

double ParseNumber(const std::string& text) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // The mantissa as significant digits times 10^scale.
    std::string digits;
    long long scale = 0;
    bool mantissa_seen = false;
    auto take_digit = [&](char c) {
        mantissa_seen = true;
        if (!digits.empty() || c != '0') {
            digits += c;
        }
    };
    while (i < n && IsDigit(text[i])) {
        take_digit(text[i++]);
    }
    if (i < n && text[i] == '.') {
        mantissa_seen = true;
        ++i;
        while (i < n && IsDigit(text[i])) {
            take_digit(text[i++]);
            --scale;
        }
    }
    if (!mantissa_seen) {
        Fail(text);
    }
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool exponent_negative = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            exponent_negative = text[i] == '-';
            ++i;
        }
        int exponent = 0;
        while (i < n && IsDigit(text[i]) && exponent < kExponentStop) {
            exponent = exponent * 10 + (text[i++] - '0');
        }
        scale += exponent_negative ? -exponent : exponent;
    }
    while (i < n && text[i] == ' ') {
        ++i;
    }
    if (i != n) {
        Fail(text);
    }

    const auto last = digits.find_last_not_of('0');
    if (last == std::string::npos) {
        return negative ? -0.0 : 0.0;
    }
    scale += static_cast<long long>(digits.size() - (last + 1));
    digits.resize(last + 1);

    long double working = 0;
    if (!ToWorkingFormat(digits, scale, working)) {
        Fail(text);
    }
    const double stored = static_cast<double>(negative ? -working : working);
    if (std::isinf(stored)) {
        throw EOverflow();
    }
    return stored;
}

} // namespace dopplex
