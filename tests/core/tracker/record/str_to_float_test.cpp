#include "tracker/record/str_to_float.h"

#include "base/numtext.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <string>
#include <vector>

namespace dopplex {
namespace {

struct Row {
    std::string text;
    double expected;
};

void expect_rows(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        EXPECT_EQ(StrToFloatOrZero(row.text), row.expected) << '"' << row.text << '"';
    }
}

TEST(StrToFloatOrZero, ReadsTheWholeTextOrGivesZero) {
    expect_rows({
        {"10", 10},
        {"123.4", 123.4},
        {"-5.2", -5.2},
        {"+12", 12},
        {"1e3", 1000},
        {"1E3", 1000},
        {"1E+3", 1000},
        {"25E-1", 2.5},
        {".5", 0.5},
        {"5.", 5},
        {"-.5E1", -5},
        {"5.E1", 50},
        {"   12", 12},
        {"435150000", 435150000},
        {"4.367750E8", 436775000},
        {"000012.50", 12.5},
        // Not the form: 0.
        {"", 0},
        {"-", 0},
        {"+", 0},
        {".", 0},
        {"-.", 0},
        {"E5", 0},
        {".E5", 0},
        {"12 ", 0},
        {"\t12", 0},
        {"12;", 0},
        {"$10", 0},
        {"1.234.5", 0},
        {"12,5", 0},
        {"1E", 0},
        {"1E+", 0},
        {"1E3.5", 0},
        {"1E 3", 0},
        {"- 5", 0},
        {"+-5", 0},
        {"0x1A", 0},
        {"INF", 0},
        {"NAN", 0},
        {"IMUTH", 0},
    });
}

TEST(StrToFloatOrZero, TinyMagnitudesBecomeZero) {
    const double denorm_min = std::numeric_limits<double>::denorm_min();
    expect_rows({
        {"1E-400", 0},
        {"-1E-400", 0},
        {"1E-5000", 0},
        {"1E-99999999999999999999", 0},
        {"0.00000000000000000001E-4950", 0},
        {"100000E-5000", 0},
        {"0E99999", 0},
        {"4.9406564584124654E-324", denorm_min},
        {"2.2250738585072014E-308", std::numeric_limits<double>::min()},
    });
}

TEST(StrToFloatOrZero, HugeMagnitudesOverflow) {
    for (const std::string text : {"1E400", "-1E400", "1E5000", "-1E99999999999999999999",
                                   "0.0000001E5000", "1.7976931348623159E308"}) {
        try {
            StrToFloatOrZero(text);
            ADD_FAILURE() << text << " gave no overflow";
        } catch (const EOverflow& e) {
            EXPECT_STREQ(e.what(), "Floating point overflow");
        }
    }
    // Still rounds to the largest double rather than past it.
    const double max = std::numeric_limits<double>::max();
    expect_rows({
        {"1.7976931348623157E308", max},
        {"1.7976931348623158E308", max},
        {"-1.7976931348623158E308", -max},
    });
}

// A decimal comma everywhere the process can set one.
struct CommaPoint : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

TEST(StrToFloatOrZero, IgnoresTheProcessLocale) {
    const std::vector<Row> rows = {{"12.5", 12.5}, {"-0.25E2", -25}, {"12,5", 0}};
    const std::locale previous = std::locale::global(std::locale(std::locale(), new CommaPoint));
    expect_rows(rows);
    std::locale::global(previous);

    // A C-library comma locale, where the machine has one.
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8", "de_DE"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            EXPECT_STREQ(std::localeconv()->decimal_point, ",");
            expect_rows(rows);
            break;
        }
    }
    std::setlocale(LC_ALL, saved.c_str());
}

} // namespace
} // namespace dopplex
