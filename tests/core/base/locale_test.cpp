// A process locale with a comma separator must change none of the conversions.
#include "base/numtext.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <string>

namespace dopplex {
namespace {

struct CommaSeparator : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

void ExpectPointConventions() {
    EXPECT_EQ(FormatGeneral(-1234.5), "-1234.5");
    EXPECT_EQ(FormatGeneral(-0.000015), "-1.5E-5");
    EXPECT_EQ(FormatFixed(29412345.6, 8, 4), "29412346.0000");
    EXPECT_EQ(FormatFixed(436775123, 7, 5), "4.367751E8");
    EXPECT_EQ(ParseNumber("4.367750E8"), 436775000);
    EXPECT_EQ(ParseNumber("-.5"), -0.5);
    EXPECT_EQ(ParseNumber("9007199254740993.01"), 9007199254740994.0);
    EXPECT_THROW(ParseNumber("4,36775E8"), EConvertError);
    EXPECT_EQ(ParseInteger("2147483647"), 2147483647);
    EXPECT_EQ(FormatInteger(-2147483647), "-2147483647");
}

TEST(Conventions, IgnoreTheProcessLocale) {
    const std::locale previous_global =
        std::locale::global(std::locale(std::locale::classic(), new CommaSeparator));
    ExpectPointConventions();
    // A C locale with a comma, where the system has one.
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            ExpectPointConventions();
            break;
        }
    }
    std::setlocale(LC_ALL, "C");
    std::locale::global(previous_global);
}

} // namespace
} // namespace dopplex
