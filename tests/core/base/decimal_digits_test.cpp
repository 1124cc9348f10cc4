// The first rounding of the decimal form must give the correctly rounded 18 digits of every
// double. The oracle below expands a double exactly with schoolbook big-integer arithmetic.
#include "base/decimal_form.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

namespace dopplex {
namespace {

// Decimal digits of a non-negative big integer held as base-10^9 limbs, least significant first.
class BigDecimal {
public:
    explicit BigDecimal(std::uint64_t value) {
        do {
            limbs_.push_back(static_cast<std::uint32_t>(value % kBase));
            value /= kBase;
        } while (value != 0);
    }
    void Multiply(std::uint32_t factor) {
        std::uint64_t carry = 0;
        for (auto& limb : limbs_) {
            const std::uint64_t product = std::uint64_t{limb} * factor + carry;
            limb = static_cast<std::uint32_t>(product % kBase);
            carry = product / kBase;
        }
        if (carry != 0) {
            limbs_.push_back(static_cast<std::uint32_t>(carry));
        }
    }
    std::string Digits() const {
        std::string text = std::to_string(limbs_.back());
        for (auto it = limbs_.rbegin() + 1; it != limbs_.rend(); ++it) {
            const std::string limb = std::to_string(*it);
            text += std::string(9 - limb.size(), '0') + limb;
        }
        return text;
    }

private:
    static constexpr std::uint64_t kBase = 1000000000;
    std::vector<std::uint32_t> limbs_;
};

// |x| = m * 2^e exactly; as decimals, m * 5^-e * 10^e when e < 0.
DecimalForm ExactEighteenDigits(double x) {
    int binary_exponent = 0;
    const double fraction = std::frexp(std::fabs(x), &binary_exponent);
    auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 64 - 11));
    binary_exponent -= 64 - 11;
    BigDecimal value(mantissa);
    int decimal_shift = 0;
    for (; binary_exponent > 0; --binary_exponent) {
        value.Multiply(2);
    }
    for (; binary_exponent < 0; ++binary_exponent) {
        value.Multiply(5);
        --decimal_shift;
    }
    std::string digits = value.Digits();
    DecimalForm form;
    form.negative = x < 0;
    form.exponent = static_cast<int>(digits.size()) + decimal_shift;
    if (digits.size() > 18) {
        const std::string rest = digits.substr(18);
        digits.resize(18);
        const bool above_half =
            rest[0] > '5' ||
            (rest[0] == '5' && rest.find_first_not_of('0', 1) != std::string::npos);
        const bool tie = rest[0] == '5' && !above_half;
        if (above_half || (tie && (digits.back() - '0') % 2 == 1)) {
            int i = 17;
            for (; i >= 0 && digits[i] == '9'; --i) {
                digits[i] = '0';
            }
            if (i < 0) {
                digits = "1";
                ++form.exponent;
            } else {
                ++digits[i];
            }
        }
    }
    digits.resize(digits.find_last_not_of('0') + 1);
    form.digits = digits;
    return form;
}

void ExpectExact(double x) {
    const DecimalForm expected = ExactEighteenDigits(x);
    const DecimalForm actual = MakeDecimalForm(x, 18, std::nullopt);
    ASSERT_EQ(actual.digits, expected.digits) << x;
    ASSERT_EQ(actual.exponent, expected.exponent) << x;
    ASSERT_EQ(actual.negative, expected.negative) << x;
}

TEST(DecimalForm, EighteenDigitsAreExactForRandomDoubles) {
    std::mt19937_64 random(1);
    int checked = 0;
    while (checked < 3000) {
        const double x = std::bit_cast<double>(random());
        if (!std::isfinite(x) || x == 0) {
            continue;
        }
        ExpectExact(x);
        ++checked;
    }
}

TEST(DecimalForm, ExactTiesAtTheEighteenthDigitGoToEven) {
    // Fourteen integer digits and an odd number of 1/32: nineteen digits ending in 5.
    std::mt19937_64 random(2);
    std::uniform_int_distribution<std::int64_t> whole(10000000000000, 99999999999999);
    std::uniform_int_distribution<int> odd(0, 15);
    for (int i = 0; i < 3000; ++i) {
        ExpectExact(static_cast<double>(whole(random)) + (2 * odd(random) + 1) / 32.0);
    }
    EXPECT_EQ(MakeDecimalForm(320000000000001 / 32.0, 18, std::nullopt).digits,
              "100000000000000312");
    EXPECT_EQ(MakeDecimalForm(320000000000003 / 32.0, 18, std::nullopt).digits,
              "100000000000000938");
}

TEST(DecimalForm, FractionsResolveTheirBinaryValue) {
    const DecimalForm form = MakeDecimalForm(12.35, 18, std::nullopt);
    EXPECT_EQ(form.digits, "123499999999999996");
    EXPECT_EQ(form.exponent, 2);
    for (const double x : {5e-324, 2.2250738585072014e-308, 1.7976931348623157e308, 0.1, 1e23}) {
        ExpectExact(x);
    }
}

} // namespace
} // namespace dopplex
