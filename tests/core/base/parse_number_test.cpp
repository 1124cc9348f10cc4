#include "base/numtext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace dopplex {
namespace {

struct ParseRow {
    std::string text;
    double value;
};

TEST(ParseNumber, ReadsTheAcceptedForms) {
    const std::vector<ParseRow> rows = {
        {"4.367750E8", 436775000},
        {"4.36775E8", 436775000},
        {"4.367750e+8", 436775000},
        {"436775000", 436775000},
        {"436775000.", 436775000},
        {"  4.36775E8 ", 436775000},
        {"+12", 12},
        {"-.5", -0.5},
        {"1.5E-3", 0.0015},
        {"1E", 1},
        {"1E+", 1},
        {"2e-", 2},
        {".", 0},
        {"-0", 0},
        {"0.1", 0.1},
        {"000123.4500", 123.45},
        {"12.35", 12.35},
        {"1.7976931348623157E308", 1.7976931348623157e308},
        {"4.9406564584124654E-324", 5e-324},
        // Far below the smallest double: underflows silently.
        {"1E-400", 0},
        {"-1E-4999", -0.0},
        // Digit counts far beyond the exponent range still scale exactly.
        {"0." + std::string(5000, '0') + "1E4999", 0.01},
        {"1" + std::string(5000, '0') + "E-4999", 10},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ParseNumber(row.text), row.value) << '"' << row.text << '"';
    }
    EXPECT_TRUE(std::signbit(ParseNumber("-1E-4999")));
}

TEST(ParseNumber, RejectsMalformedTextsQuotingThemExactly) {
    const std::vector<std::string> texts = {
        "4,36775E8", "Enter Freq E8", "436 775 000", "E8",  "-",    "",     "   ",
        "\t12",      "12\t",          "1.2.3",       "$10", "0x10", "+-1",  "1E5000",
        "1E-5000",   "1e--2",         "INF",         "NAN", "1 E8", "1E 8",
    };
    for (const auto& text : texts) {
        try {
            ParseNumber(text);
            ADD_FAILURE() << '"' << text << "\" was accepted";
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.what(), "'" + text + "' is not a valid floating point value");
        }
    }
}

TEST(ParseNumber, ValuesBeyondTheDoubleRangeOverflow) {
    for (const std::string text : {"1E400", "-1.8E308", "1E4000", "1.7976931348623159E308"}) {
        try {
            ParseNumber(text);
            ADD_FAILURE() << '"' << text << "\" was accepted";
        } catch (const EOverflow& error) {
            EXPECT_STREQ(error.what(), "Floating point overflow");
        }
    }
}

TEST(ParseNumber, ValuesBeyondTheWorkingFormatAreNotNumbers) {
    // Exponent digits are read until the exponent reaches 500, so 4999 is one exponent.
    for (const std::string& text :
         std::vector<std::string>{"1E4999", "-2E4932", "1" + std::string(5000, '0')}) {
        EXPECT_THROW(ParseNumber(text), EConvertError) << text;
    }
}

TEST(ParseNumber, RoundsThroughSixtyFourBitSignificand) {
    if (std::numeric_limits<long double>::digits != 64) {
        GTEST_SKIP() << "long double is not the 64-bit-significand format here";
    }
    // 2^53 + 1 + 1/10000 first rounds to 2^53 + 1, a tie that then goes to the even 2^53.
    EXPECT_EQ(ParseNumber("9007199254740993.0001"), 9007199254740992.0);
    EXPECT_EQ(ParseNumber("9007199254740993.01"), 9007199254740994.0);
}

} // namespace
} // namespace dopplex
