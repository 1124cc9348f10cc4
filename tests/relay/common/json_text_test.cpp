// The JSON strings of the page and the script: whatever bytes the tracker sent, valid JSON.
#include <gtest/gtest.h>

#include "json_text.h"

namespace dopplex {
namespace {

TEST(JsonText, EscapesControlsAndLatin1Bytes) {
    const struct {
        std::string text;
        const char* json;
    } rows[] = {
        {"AO-91", R"("AO-91")"},
        {"say \"hi\" \\ bye", R"("say \"hi\" \\ bye")"},
        {"a\nb\rc\td", R"("a\nb\rc\td")"},
        {std::string("\x01\x1f", 2), R"("\u0001\u001f")"},
        {std::string(1, '\0'), R"("\u0000")"},
        {"\x7f", R"("\u007f")"},
        {"Sat\xe9lite \xb0", R"("Sat\u00e9lite \u00b0")"}, // Latin-1, as the tracker sends it
        {"\xff", R"("\u00ff")"},
        {"", R"("")"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(json_string(row.text), row.json) << row.json;
    }
}

} // namespace
} // namespace dopplex
