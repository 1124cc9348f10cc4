#include "base/decimal_form.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace dopplex {
namespace {

constexpr int kExactDigits = 18;

// The correctly rounded 18 significant digits of |x| and the exponent E of 0.d1d2... * 10^E.
// std::to_chars is exact (ties to even) and ignores the locale.
DecimalForm EighteenDigits(double x) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(x),
                                      std::chars_format::scientific, kExactDigits - 1);
    // Layout: d.ddddddddddddddddde[+-]xx
    DecimalForm form;
    form.negative = std::signbit(x);
    form.digits.push_back(buffer[0]);
    form.digits.append(buffer + 2, buffer + 1 + kExactDigits);
    const char* exponent_text = buffer + 2 + kExactDigits;
    const bool exponent_negative = exponent_text[0] == '-';
    int exponent = 0;
    std::from_chars(exponent_text + 1, result.ptr, exponent);
    form.exponent = (exponent_negative ? -exponent : exponent) + 1;
    return form;
}

// Rounds the digit string up by one unit in its last place; a carry out of the first digit
// leaves "1" and raises the exponent.
void RoundUp(DecimalForm& form) {
    for (auto it = form.digits.rbegin(); it != form.digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    form.digits.assign(1, '1');
    ++form.exponent;
}

} // namespace

DecimalForm MakeDecimalForm(double x, int digit_limit, std::optional<int> decimals_limit) {
    if (x == 0) {
        return {};
    }
    DecimalForm form = EighteenDigits(x);
    long long cut = std::min(digit_limit, kExactDigits);
    if (decimals_limit) {
        const long long by_decimals = static_cast<long long>(form.exponent) + *decimals_limit;
        if (by_decimals < 0) {
            return {};
        }
        cut = std::min(cut, by_decimals);
    }
    if (cut < kExactDigits) {
        const char first_cut = form.digits[static_cast<std::size_t>(cut)];
        form.digits.resize(static_cast<std::size_t>(cut));
        if (first_cut >= '5') {
            RoundUp(form);
        }
    }
    const auto last = form.digits.find_last_not_of('0');
    form.digits.resize(last == std::string::npos ? 0 : last + 1);
    if (form.digits.empty()) {
        return {};
    }
    return form;
}

std::string GeneralLayout(const DecimalForm& form, int precision) {
    if (form.digits.empty()) {
        return "0";
    }
    std::string text = form.negative ? "-" : "";
    const int e = form.exponent;
    const auto k = static_cast<int>(form.digits.size());
    if (e > precision || e < -3) {
        text += form.digits[0];
        if (k > 1) {
            text += '.';
            text.append(form.digits, 1);
        }
        char buffer[16];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, e - 1);
        text += 'E';
        text.append(buffer, result.ptr);
    } else if (e <= 0) {
        text += "0.";
        text.append(static_cast<std::size_t>(-e), '0');
        text += form.digits;
    } else if (k <= e) {
        text += form.digits;
        text.append(static_cast<std::size_t>(e - k), '0');
    } else {
        text.append(form.digits, 0, static_cast<std::size_t>(e));
        text += '.';
        text.append(form.digits, static_cast<std::size_t>(e));
    }
    return text;
}

std::string NonFiniteText(double x) {
    if (std::isnan(x)) {
        return "NAN";
    }
    return std::signbit(x) ? "-INF" : "INF";
}

} // namespace dopplex
