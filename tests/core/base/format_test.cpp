#include "base/numtext.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace dopplex {
namespace {

struct GeneralRow {
    double x;
    const char* text;
};

TEST(FormatGeneral, WritesTheExpectedText) {
    const std::vector<GeneralRow> rows = {
        {0.0, "0"},
        {-0.0, "0"},
        {12, "12"},
        {-3, "-3"},
        {-7, "-7"},
        {12.5, "12.5"},
        {-1234.5, "-1234.5"},
        {100, "100"},
        {436775000, "436775000"},
        {436775123.4, "436775123.4"},
        {0.1, "0.1"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {0.0001, "0.0001"},
        {0.000123, "0.000123"},
        {0.00001, "1E-5"},
        {-0.000015, "-1.5E-5"},
        {999999999999999, "999999999999999"},
        {1e15, "1E15"},
        {1234567890123456, "1.23456789012346E15"},
        {1e20, "1E20"},
        // Rounding to 15 digits carries into a new leading digit.
        {999999999999999.9, "1E15"},
        {0.9999999999999999, "1"},
        {5e-324, "4.94065645841247E-324"},
        {1.7976931348623157e308, "1.79769313486232E308"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FormatGeneral(row.x), row.text) << "x = " << row.x;
    }
}

struct FixedRow {
    double x;
    const char* texts[5]; // (4,1) (12,0) (7,5) (8,4) (6,0)
};

TEST(FormatFixed, WritesTheExpectedTextForEveryDisplayPair) {
    const int pairs[5][2] = {{4, 1}, {12, 0}, {7, 5}, {8, 4}, {6, 0}};
    const std::vector<FixedRow> rows = {
        {0, {"0.0", "0", "0.00000", "0.0000", "0"}},
        {436775000, {"4.368E8", "436775000", "4.36775E8", "4.36775E8", "4.36775E8"}},
        {436775100, {"4.368E8", "436775100", "4.367751E8", "4.367751E8", "4.36775E8"}},
        {436775123, {"4.368E8", "436775123", "4.367751E8", "4.3677512E8", "4.36775E8"}},
        {436775123.4, {"4.368E8", "436775123", "4.367751E8", "4.3677512E8", "4.36775E8"}},
        {436775125, {"4.368E8", "436775125", "4.367751E8", "4.3677513E8", "4.36775E8"}},
        {436775149, {"4.368E8", "436775149", "4.367751E8", "4.3677515E8", "4.36775E8"}},
        {436775150, {"4.368E8", "436775150", "4.367752E8", "4.3677515E8", "4.36775E8"}},
        {436775500, {"4.368E8", "436775500", "4.367755E8", "4.367755E8", "4.36776E8"}},
        {145825000, {"1.458E8", "145825000", "1.45825E8", "1.45825E8", "1.45825E8"}},
        {100000000, {"1E8", "100000000", "1E8", "1E8", "1E8"}},
        {999999960, {"1E9", "999999960", "1E9", "9.9999996E8", "1E9"}},
        {29412345.6, {"2.941E7", "29412346", "2.941235E7", "29412346.0000", "2.94123E7"}},
        {2400123456, {"2.4E9", "2400123456", "2.400123E9", "2.4001235E9", "2.40012E9"}},
        {7050000.06, {"7.05E6", "7050000", "7050000.00000", "7050000.1000", "7.05E6"}},
        {359.96, {"360.0", "360", "359.96000", "359.9600", "360"}},
        {12.35, {"12.3", "12", "12.35000", "12.3500", "12"}},
        {12.25, {"12.3", "12", "12.25000", "12.2500", "12"}},
        {-12.34, {"-12.3", "-12", "-12.34000", "-12.3400", "-12"}},
        {2.5, {"2.5", "3", "2.50000", "2.5000", "3"}},
        {-0.04, {"0.0", "0", "-0.04000", "-0.0400", "0"}},
        {-0.05, {"-0.1", "0", "-0.05000", "-0.0500", "0"}},
        {-2.0, {"-2.0", "-2", "-2.00000", "-2.0000", "-2"}},
        {1234.56, {"1235.0", "1235", "1234.56000", "1234.5600", "1235"}},
        {9999.96, {"1E4", "10000", "9999.96000", "9999.9600", "10000"}},
        // Fractions below one: leading zeros count against the decimals, not the digits.
        {0.000123456, {"0.0", "0", "0.00012", "0.0001", "0"}},
        {-0.5, {"-0.5", "-1", "-0.50000", "-0.5000", "-1"}},
    };
    for (const auto& row : rows) {
        for (int p = 0; p < 5; ++p) {
            EXPECT_EQ(FormatFixed(row.x, pairs[p][0], pairs[p][1]), row.texts[p])
                << "x = " << row.x << " with (" << pairs[p][0] << ", " << pairs[p][1] << ")";
        }
    }
}

TEST(FormatFixed, RejectsPrecisionOrDecimalsOutsideTheirRange) {
    EXPECT_THROW(FormatFixed(1, 1, 0), std::invalid_argument);
    EXPECT_THROW(FormatFixed(1, 19, 0), std::invalid_argument);
    EXPECT_THROW(FormatFixed(1, 7, -1), std::invalid_argument);
    EXPECT_THROW(FormatFixed(1, 7, 19), std::invalid_argument);
    EXPECT_EQ(FormatFixed(0.5, 18, 18), "0.500000000000000000");
}

TEST(Format, NonFiniteValuesGiveTextsThatNoParseAccepts) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(FormatGeneral(inf), "INF");
    EXPECT_EQ(FormatGeneral(-inf), "-INF");
    EXPECT_EQ(FormatGeneral(std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(FormatFixed(-inf, 7, 5), "-INF");
    EXPECT_THROW(ParseNumber("INF"), EConvertError);
}

TEST(FormatGeneral, WholeNumbersBelowTenToTheFifteenReadBackExactly) {
    std::mt19937_64 random(20240601);
    std::uniform_int_distribution<std::int64_t> whole(-999999999999999, 999999999999999);
    for (int i = 0; i < 20000; ++i) {
        const auto x = static_cast<double>(whole(random));
        const std::string text = FormatGeneral(x);
        ASSERT_EQ(ParseNumber(text), x) << text;
        ASSERT_EQ(text.find_first_of(".E"), std::string::npos) << text;
    }
}

TEST(FormatGeneral, SmallWholeCountsReadBackAsIntegers) {
    for (const double count : {0.0, 12.0, -7.0, 2147483647.0, -2147483648.0}) {
        EXPECT_EQ(ParseInteger(FormatGeneral(count)), count);
    }
    try {
        ParseInteger(FormatGeneral(12.5));
        FAIL() << "12.5 read as an integer";
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "'12.5' is not a valid integer value");
    }
}

// The display pairs quantise a nine-digit frequency to a whole unit of Hz, ties up; the text
// must read back as exactly that frequency.
TEST(FormatFixed, NineDigitFrequenciesQuantiseToTheirStep) {
    struct Quantiser {
        int precision;
        int decimals;
        std::int64_t unit_hz;
    };
    const Quantiser quantisers[] = {{7, 5, 100}, {8, 4, 10}, {6, 0, 1000}};
    std::mt19937_64 random(77);
    std::uniform_int_distribution<std::int64_t> hertz(100000000, 999999999);
    std::uniform_int_distribution<int> tenths(0, 9);
    for (int i = 0; i < 20000; ++i) {
        const std::int64_t whole = hertz(random);
        // Fractions of a hertz never reach the cut digit of these pairs.
        const double frequency = static_cast<double>(whole) + tenths(random) / 10.0;
        for (const auto& q : quantisers) {
            const std::int64_t expected = (whole + q.unit_hz / 2) / q.unit_hz * q.unit_hz;
            const std::string text = FormatFixed(frequency, q.precision, q.decimals);
            ASSERT_EQ(ParseNumber(text), static_cast<double>(expected))
                << frequency << " as " << text << " with (" << q.precision << ", " << q.decimals
                << ")";
        }
    }
}

} // namespace
} // namespace dopplex
