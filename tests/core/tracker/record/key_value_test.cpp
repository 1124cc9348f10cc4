#include "tracker/record/key_value.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dopplex {
namespace {

TEST(ReplaceAll, ReplacesAsTheTextStands) {
    struct Row {
        std::string s, old, repl, expected;
    };
    const std::vector<Row> rows = {
        {"12,5 A,B", ",", ".", "12.5 A.B"},
        {",,,", ",", ".", "..."},
        {"abc", "x", "y", "abc"},
        {"abc", "", "y", "abc"},
        {"abc", "b", "b", "abc"},
        {"", ",", ".", ""},
        // Each search starts over, so a replacement that joins its neighbour is replaced again.
        {"abb", "ab", "a", "a"},
        {"aabb", "ab", "", ""},
        {"xaab", "ab", "b", "xb"},
        // A replacement that contains the searched text is not searched again.
        {"a,b,", ",", ",,", "a,,b,,"},
        {"aa", "a", "ba", "baba"},
    };
    for (const Row& row : rows) {
        std::string s = row.s;
        ReplaceAll(s, row.old, row.repl);
        EXPECT_EQ(s, row.expected) << row.s << " [" << row.old << "->" << row.repl << "]";
    }
}

TEST(FindKey, FindsTheFirstKeyOutsideQuotes) {
    struct Row {
        std::string text, key;
        int expected;
    };
    const std::vector<Row> rows = {
        {"AZ10", "AZ", 1},
        {" AZ1 AZ2", " AZ", 1},
        {"SN\"X AZ9\" AZ5", " AZ", 10},
        {"SN\"ABC AZ10", " AZ", 0},
        {"\"AZ\"AZ", "AZ", 5},
        {"\"\"AZ", "AZ", 3},
        {"EL5", "AZ", 0},
        {"AZ", "", 0},
        {"", "AZ", 0},
        // Masked characters become '-', the quotes themselves stay where they were.
        {"\"ab\"", "\"--\"", 1},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FindKey(row.text, row.key), row.expected) << row.text << " / " << row.key;
    }
}

TEST(FindKey, LeavesTheTextAlone) {
    const std::string text = "SN\"X AZ9\"";
    EXPECT_EQ(FindKey(text, "AZ"), 0);
    EXPECT_EQ(text, "SN\"X AZ9\"");
}

TEST(GetKeyValue, ExtractsTheValueAfterAWordStartKey) {
    struct Row {
        std::string text, key, expected;
    };
    const std::vector<Row> rows = {
        {"AZ10", "AZ", "10"},
        {"XDN5 DN7", "DN", "7"},
        {"XDN5", "DN", ""},
        {"AZIMUTH", "AZ", "IMUTH"},
        {"SN AZ5", "SN", ""},
        {"SNA\"B C\"D EL1", "SN", "AB CD"},
        {"SN\"ABC AZ10", "SN", "ABC AZ10"},
        {"SN\"ABC AZ10", "AZ", ""},
        {"EL3 AZ", "AZ", ""},
        {"AZ12.5;EL3", "EL", ""},
        {"AZ12.5;EL3", "AZ", "12.5;EL3"},
        {"AZ\" 12\"", "AZ", " 12"},
        {"SN\"\"", "SN", ""},
        {"AZ1  EL2", "AZ", "1"},
        // The key is upper-cased, the text is not: upper-casing the text is the caller's step.
        {"AZ5", "az", "5"},
        {"az5", "AZ", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(GetKeyValue(row.text, row.key), row.expected) << row.text << " / " << row.key;
    }
}

} // namespace
} // namespace dopplex
