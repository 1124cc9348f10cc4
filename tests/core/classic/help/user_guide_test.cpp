// The guide's shape: what a reader relies on and what the text must never contain.
#include "classic/help/user_guide.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dopplex {
namespace {

constexpr std::string_view kEnglishMarker = "(EN) (English text) - (texte français plus bas)";
constexpr std::string_view kFrenchMarker = "(FR)    (French text - texte français)";

std::vector<std::string_view> lines_of(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

std::size_t index_of(const std::vector<std::string_view>& lines, std::string_view line) {
    return static_cast<std::size_t>(std::find(lines.begin(), lines.end(), line) - lines.begin());
}

// One language's part of the guide, marker excluded.
struct Part {
    std::vector<std::string_view> lines;
    std::string text;
};

Part part_of(bool french) {
    const auto all = lines_of(user_guide());
    const auto en = index_of(all, kEnglishMarker);
    const auto fr = index_of(all, kFrenchMarker);
    Part part;
    if (en >= fr || fr >= all.size()) {
        return part;
    }
    const auto first = french ? fr + 1 : en + 1;
    const auto last = french ? all.size() : fr;
    part.lines.assign(all.begin() + static_cast<std::ptrdiff_t>(first),
                      all.begin() + static_cast<std::ptrdiff_t>(last));
    for (auto line : part.lines) {
        part.text.append(line).push_back('\n');
    }
    return part;
}

// Code points of a valid UTF-8 text, or -1 when the bytes are not valid UTF-8.
long code_points(std::string_view text) {
    long count = 0;
    for (std::size_t i = 0; i < text.size(); ++count) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x06 ? 2
                                   : (lead >> 4) == 0x0E ? 3
                                   : (lead >> 3) == 0x1E ? 4
                                                         : 0;
        if (length == 0 || (length == 2 && lead < 0xC2) || i + length > text.size()) {
            return -1;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return -1;
            }
        }
        i += length;
    }
    return count;
}

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

struct Language {
    const char* name;
    bool french;
    std::array<std::string_view, 9> headings; // after the title line
    const char* title_word;
    const char* pin_word;
    std::array<const char*, 8> led_colours; // pins 2 to 9
};

const Language kLanguages[] = {
    {"English",
     false,
     {"[ Introduction ]", "[ Terms of use ]", "[ Features ]", "[ Installation ]",
      "[ Instructions, part 1: Tune and tracking ]",
      "[ Instructions, part 2: tracking without Tune (RUSH !) ]", "[ Closing and uninstalling ]",
      "[ Interface connections (DB-25) ]", "[ Interface schematic and further reading ]"},
     "for Orbitron",
     "Pin",
     {"red", "yellow", "blue", "green", "red", "yellow", "orange", "green"}},
    {"French",
     true,
     {"[ Introduction ]", "[ Conditions d'utilisation ]", "[ Fonctions ]", "[ Installation ]",
      "[ Mode d'emploi, 1re partie : Tune et poursuite ]",
      "[ Mode d'emploi, 2e partie : poursuite sans Tune (RUSH !) ]",
      "[ Fermeture et désinstallation ]", "[ Connexions de l'interface (DB-25) ]",
      "[ Schéma de l'interface et lecture conseillée ]"},
     "pour Orbitron",
     "Broche",
     {"rouge", "jaune", "bleue", "verte", "rouge", "jaune", "orange", "verte"}},
};

// Line indexes of the headings in their part, npos for a missing one.
std::vector<std::size_t> heading_lines(const Part& part, const Language& language) {
    std::vector<std::size_t> found;
    for (auto heading : language.headings) {
        const auto at = index_of(part.lines, heading);
        found.push_back(at < part.lines.size() ? at : std::string_view::npos);
    }
    return found;
}

TEST(UserGuide, OpensWithEnglishAndHasEachMarkerOnce) {
    const auto all = lines_of(user_guide());
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.front(), kEnglishMarker);
    EXPECT_EQ(std::count(all.begin(), all.end(), kEnglishMarker), 1);
    EXPECT_EQ(std::count(all.begin(), all.end(), kFrenchMarker), 1);
    EXPECT_LT(index_of(all, kEnglishMarker), index_of(all, kFrenchMarker));
}

TEST(UserGuide, HasSomeEightHundredFiftyLines) {
    const auto count = lines_of(user_guide()).size();
    EXPECT_GE(count, 800u);
    EXPECT_LE(count, 900u);
}

TEST(UserGuide, IsValidUtf8WithLinesThatFitTheWindow) {
    EXPECT_GT(code_points(user_guide()), 0);
    for (auto line : lines_of(user_guide())) {
        EXPECT_LE(code_points(line), 64) << line;
        EXPECT_EQ(line.find('\t'), std::string_view::npos) << line;
    }
}

TEST(UserGuide, NamesNoMakerWebSiteOrMailAddress) {
    const auto text = lower(user_guide());
    for (const char* banned : {"@", "http", "www.", ".com", ".org", ".net", "brenwick"}) {
        EXPECT_EQ(text.find(banned), std::string::npos) << banned;
    }
}

TEST(UserGuide, EachLanguageHasItsTenSectionsInOrder) {
    for (const auto& language : kLanguages) {
        SCOPED_TRACE(language.name);
        const auto part = part_of(language.french);
        ASSERT_FALSE(part.lines.empty());
        const auto title = std::find_if(part.lines.begin(), part.lines.end(),
                                        [](auto line) { return !line.empty(); });
        ASSERT_NE(title, part.lines.end());
        for (const char* word : {"Dopplex", "1.00", language.title_word}) {
            EXPECT_NE(title->find(word), std::string_view::npos) << *title;
        }
        const auto found = heading_lines(part, language);
        for (std::size_t i = 0; i < found.size(); ++i) {
            EXPECT_NE(found[i], std::string_view::npos) << language.headings[i];
            EXPECT_EQ(std::count(part.lines.begin(), part.lines.end(), language.headings[i]), 1)
                << language.headings[i];
        }
        EXPECT_TRUE(std::is_sorted(found.begin(), found.end()));
        EXPECT_GT(static_cast<std::ptrdiff_t>(found.front()), title - part.lines.begin());
    }
}

TEST(UserGuide, FirstInstructionsHaveTwelveNumberedPoints) {
    for (const auto& language : kLanguages) {
        SCOPED_TRACE(language.name);
        const auto part = part_of(language.french);
        const auto found = heading_lines(part, language);
        ASSERT_NE(found[4], std::string_view::npos);
        ASSERT_NE(found[5], std::string_view::npos);
        std::vector<int> points;
        for (auto i = found[4] + 1; i < found[5]; ++i) {
            const auto line = part.lines[i];
            const auto dot = line.find(". ");
            if (dot == 0 || dot > 2 ||
                !std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(dot),
                             [](unsigned char c) { return std::isdigit(c) != 0; })) {
                continue;
            }
            points.push_back(std::stoi(std::string(line.substr(0, dot))));
        }
        EXPECT_EQ(points, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    }
}

TEST(UserGuide, PinTableMatchesTheWiring) {
    for (const auto& language : kLanguages) {
        SCOPED_TRACE(language.name);
        const auto part = part_of(language.french);
        const auto found = heading_lines(part, language);
        ASSERT_NE(found[7], std::string_view::npos);
        ASSERT_NE(found[8], std::string_view::npos);
        const std::vector<std::string_view> table(
            part.lines.begin() + static_cast<std::ptrdiff_t>(found[7]),
            part.lines.begin() + static_cast<std::ptrdiff_t>(found[8]));
        for (int pin = 2; pin <= 9; ++pin) {
            const auto prefix = std::string(language.pin_word) + " " + std::to_string(pin) + " ";
            const auto row = std::find_if(table.begin(), table.end(),
                                          [&](auto line) { return line.starts_with(prefix); });
            ASSERT_NE(row, table.end()) << prefix;
            EXPECT_NE(row->find("bit " + std::to_string(pin - 2)), std::string_view::npos) << *row;
            EXPECT_TRUE(row->ends_with(language.led_colours[pin - 2])) << *row;
        }
        const auto ground = std::string(language.pin_word) + " 25 ";
        EXPECT_TRUE(std::any_of(table.begin(), table.end(),
                                [&](auto line) { return line.starts_with(ground); }));
    }
}

TEST(UserGuide, UsesTheWindowsCaptionsInBothLanguages) {
    const char* captions[] = {"Tune RX",
                              "Tune TX",
                              "Start Tracking",
                              "\"Adjust\"",
                              "Reset  RX",
                              "Reset  TX",
                              "Freq. UP",
                              "Freq. DOWN",
                              "Enable hardware",
                              "Green LED channel activating",
                              "Additional channel (manual activation)",
                              "Enter Freq E8",
                              "100 Hz  Step",
                              "25 Hz  Step (Rush only)",
                              "1000 Hz  Step",
                              "RUSH !",
                              "Tuning complete !",
                              "Blue LED ON !",
                              "\"Exit\"",
                              "\"DDE Conv\"",
                              "Setup.cfg",
                              "[Drivers]",
                              "4.367750E8",
                              "1.458250E8",
                              "docs/ports.md",
                              "\"Closed loop\"",
                              "Start at AOS",
                              "Clear offsets",
                              "behind by N steps"};
    for (const auto& language : kLanguages) {
        SCOPED_TRACE(language.name);
        const auto part = part_of(language.french);
        for (const char* caption : captions) {
            EXPECT_NE(part.text.find(caption), std::string::npos) << caption;
        }
    }
}

// Each language has this build's port and tracker paragraphs, and no other build's; no block
// marker of the source text is left.
TEST(UserGuide, DescribesThisBuildsPortAndTrackerLink) {
#ifdef _WIN32
    const char* present[] = {"inpoutx64.dll",
                             "--port inpout",
                             "0x378",
                             "dopplex.exe",
                             "dopplex-tracker.exe",
                             "\"DDE Conv\"",
                             "DDE",
                             "HKEY_CURRENT_USER\\Software\\Stoff\\Orbitron"};
    const char* absent[] = {"/dev/parport", "ppdev",       "socket",
                            "~/.config",    "scripts/run", "Gpredict"};
#else
    const char* present[] = {"/dev/parport0", "ppdev",        "socket",
                             "scripts/run",   "\"DDE Conv\"", "dopplex-tracker",
                             "Gpredict",      "--hamlib",     "127.0.0.1, port 4532"};
    const char* absent[] = {"inpoutx64.dll", "dopplex.exe", "HKEY_CURRENT_USER"};
#endif
    for (const auto& language : kLanguages) {
        SCOPED_TRACE(language.name);
        const auto part = part_of(language.french);
        for (const char* text : present) {
            EXPECT_NE(part.text.find(text), std::string::npos) << text;
        }
        for (const char* text : absent) {
            EXPECT_EQ(part.text.find(text), std::string::npos) << text;
        }
    }
    for (const char* marker : {"{linux}", "{windows}", "{end}"}) {
        EXPECT_EQ(user_guide().find(marker), std::string_view::npos) << marker;
    }
}

} // namespace
} // namespace dopplex
