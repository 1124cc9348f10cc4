#include "base/numtext.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace dopplex {
namespace {

TEST(ParseInteger, ReadsDecimalAndHexadecimalForms) {
    const std::vector<std::pair<std::string, std::int32_t>> rows = {
        {"12", 12},
        {"-12", -12},
        {"+7", 7},
        {" 12", 12},
        {"00012", 12},
        {"-0", 0},
        {"$1A", 26},
        {"x1A", 26},
        {"X1a", 26},
        {"0x1A", 26},
        {"0X1a", 26},
        {"$FFFFFFFF", -1},
        {"$80000000", std::numeric_limits<std::int32_t>::min()},
        {"$0000000000ff", 255},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"0", 0},
    };
    for (const auto& [text, value] : rows) {
        EXPECT_EQ(ParseInteger(text), value) << '"' << text << '"';
    }
}

TEST(ParseInteger, RejectsOtherTextsQuotingThemExactly) {
    const std::vector<std::string> texts = {
        "12 ",         "12.0",
        "12.5",        "1E3",
        "2147483648",  "-2147483649",
        "-$10",        "+$10",
        "-0x10",       "",
        " ",           "-",
        "$",           "0x",
        "$100000000",  "$1FFFFFFFF",
        "$G1",         "\t12",
        "1 2",         "--1",
        "99999999999", "12345678901234567890123",
    };
    for (const auto& text : texts) {
        try {
            ParseInteger(text);
            ADD_FAILURE() << '"' << text << "\" was accepted";
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.what(), "'" + text + "' is not a valid integer value");
        }
    }
}

TEST(FormatInteger, WritesPlainDigitsThatReadBack) {
    const std::vector<std::pair<std::int32_t, std::string>> rows = {
        {7, "7"},
        {-12, "-12"},
        {0, "0"},
        {2147483647, "2147483647"},
        {std::numeric_limits<std::int32_t>::min(), "-2147483648"},
    };
    for (const auto& [n, text] : rows) {
        EXPECT_EQ(FormatInteger(n), text);
        EXPECT_EQ(ParseInteger(text), n);
    }
}

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
    const std::vector<std::pair<double, std::int64_t>> rows = {
        {2.4, 2},
        {2.5, 2},
        {2.6, 3},
        {3.5, 4},
        {-2.5, -2},
        {-3.5, -4},
        {12.3, 12},
        {-0.5, 0},
        {0.5, 0},
        {1.5, 2},
        {-1.5, -2},
        {-2.6, -3},
        {2.5e3 / 1e3, 2},
        {3.5e3 / 1e3, 4},
        {0.49999999999999994, 0},
        {4503599627370497.0, 4503599627370497},
    };
    for (const auto& [x, expected] : rows) {
        EXPECT_EQ(RoundHalfEven(x), expected) << x;
    }
}

TEST(RoundHalfEven, ValuesOutsideTheIntegerRangeAreInvalid) {
    EXPECT_EQ(RoundHalfEven(-9223372036854775808.0), std::numeric_limits<std::int64_t>::min());
    for (const double x :
         {9223372036854775808.0, -9223372036854777856.0, std::numeric_limits<double>::infinity(),
          std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_THROW(RoundHalfEven(x), std::domain_error) << x;
    }
}

TEST(ReportText, AppendsAPeriodAfterCharactersAboveIt) {
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"'Enter Freq E8' is not a valid floating point value",
         "'Enter Freq E8' is not a valid floating point value."},
        {"Floating point overflow", "Floating point overflow."},
        {"Done.", "Done."},
        {"Stop!", "Stop!"},
        {"(see log)", "(see log)"},
        {"quoted '", "quoted '"},
        {"ends in 7", "ends in 7."},
        {"trailing /", "trailing /."},
        {"trailing -", "trailing -"},
        {"caf\xc3\xa9", "caf\xc3\xa9."},
        {"", ""},
    };
    for (const auto& [message, text] : rows) {
        EXPECT_EQ(ReportText(message), text);
    }
}

} // namespace
} // namespace dopplex
