// A help text checked for one system's build: the words it must say and those of the other
// system it must never say.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dopplex::test {

struct HelpWords {
    bool windows;
    std::vector<std::string> says;
    std::vector<std::string> never;
};

inline void expect_help_words(const std::string& text, const HelpWords& row) {
    SCOPED_TRACE(row.windows ? "windows" : "linux");
    for (const std::string& words : row.says) {
        EXPECT_NE(text.find(words), std::string::npos) << words;
    }
    for (const std::string& words : row.never) {
        EXPECT_EQ(text.find(words), std::string::npos) << words;
    }
}

} // namespace dopplex::test
