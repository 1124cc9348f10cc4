#include "launcher/command_words.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace dopplex {
namespace {

using launch::command_words;
using Words = std::vector<std::string>;

TEST(CommandWords, Table) {
    const std::pair<std::string, Words> rows[] = {
        {"orbitron", {"orbitron"}},
        {"  a  b\tc ", {"a", "b", "c"}},
        {"\"C:\\Program Files\\orbitron\" -x", {"C:\\Program Files\\orbitron", "-x"}},
        {"a\"b c\"d", {"ab cd"}},
        {"\"\" x", {"", "x"}},
        {"\"unclosed quote", {"unclosed quote"}},
        {"", {}},
    };
    for (const auto& [line, words] : rows) {
        EXPECT_EQ(command_words(line), words) << line;
    }
}

} // namespace
} // namespace dopplex
