#include "base/decimal_form.h"
#include "base/numtext.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace dopplex {

std::string FormatGeneral(double x) {
    constexpr int kPrecision = 15;
    if (!std::isfinite(x)) {
        return NonFiniteText(x);
    }
    return GeneralLayout(MakeDecimalForm(x, kPrecision, std::nullopt), kPrecision);
}

std::string FormatFixed(double x, int precision, int decimals) {
    if (precision < 2 || precision > 18 || decimals < 0 || decimals > 18) {
        throw std::invalid_argument("FormatFixed: precision must lie in 2..18, decimals in 0..18");
    }
    if (!std::isfinite(x)) {
        return NonFiniteText(x);
    }
    const DecimalForm form = MakeDecimalForm(x, precision, decimals);
    const int e = form.exponent;
    if (e > precision) {
        return GeneralLayout(form, precision);
    }
    const auto k = static_cast<int>(form.digits.size());
    std::string text = form.negative ? "-" : "";
    if (e <= 0) {
        text += '0';
    } else {
        text.append(form.digits, 0, static_cast<std::size_t>(std::min(e, k)));
        text.append(static_cast<std::size_t>(std::max(e - k, 0)), '0');
    }
    if (decimals > 0) {
        text += '.';
        const std::size_t decimals_start = text.size();
        if (e < 0) {
            text.append(static_cast<std::size_t>(std::min(-e, decimals)), '0');
        }
        if (e <= 0) {
            text += form.digits;
        } else if (k > e) {
            text.append(form.digits, static_cast<std::size_t>(e));
        }
        text.resize(decimals_start + static_cast<std::size_t>(decimals), '0');
    }
    return text;
}

} // namespace dopplex
