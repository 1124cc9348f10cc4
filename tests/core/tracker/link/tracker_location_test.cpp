#include "tracker/link/tracker_location.h"

#include <gtest/gtest.h>

#include "tracker/link/link_start_error.h"

namespace dopplex {
namespace {

class FakeSettings : public SettingsStore {
public:
    bool openable = true;
    SettingsValue path;
    std::vector<std::string> calls;
    bool open_or_create_key(const std::string& key) override {
        calls.push_back("open " + key);
        return openable;
    }
    SettingsValue read_value(const std::string& key, const std::string& name) override {
        calls.push_back("read " + key + " " + name);
        return path;
    }
};

using Type = SettingsValue::Type;

TEST(LocateTracker, Table) {
    struct Row {
        bool exe_beside;
        bool openable;
        SettingsValue path;
        std::string expected;
        std::size_t calls;
    };
    const Row rows[] = {
        {true, true, {Type::Text, "C:\\Orb\\"}, "orbitron", 0},
        {false, false, {Type::Text, "C:\\Orb\\"}, "orbitron", 1},
        {false, true, {Type::Absent, ""}, "orbitron", 2},
        {false, true, {Type::Text, ""}, "orbitron", 2},
        {false, true, {Type::Text, "C:\\Orb\\"}, "C:\\Orb\\orbitron", 2},
        {false, true, {Type::Text, "/opt/orb"}, "/opt/orborbitron", 2},
        {false, true, {Type::ExpandableText, "%HOME%\\o\\"}, "%HOME%\\o\\orbitron", 2},
    };
    for (const Row& row : rows) {
        FakeSettings settings;
        settings.openable = row.openable;
        settings.path = row.path;
        std::string looked_for;
        const auto exists = [&](const std::string& file) {
            looked_for = file;
            return row.exe_beside;
        };
        EXPECT_EQ(locate_tracker("/app/", exists, settings), row.expected);
        EXPECT_EQ(looked_for, "/app/Orbitron.exe");
        ASSERT_EQ(settings.calls.size(), row.calls);
        if (row.calls > 0) {
            EXPECT_EQ(settings.calls[0], "open Software\\Stoff\\Orbitron");
        }
        if (row.calls > 1) {
            EXPECT_EQ(settings.calls[1], "read Software\\Stoff\\Orbitron Path");
        }
    }
}

TEST(LocateTracker, NonTextPathIsAnError) {
    FakeSettings settings;
    settings.path = {Type::Other, "\x01\x02"};
    try {
        locate_tracker(
            "/app/", [](const std::string&) { return false; }, settings);
        FAIL() << "no error";
    } catch (const SettingsTypeError& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'Path'");
    }
}

// Linux: the settings may name a whole command; else the Hamlib relay, never a pass player.
TEST(ConfiguredTracker, Table) {
    struct Row {
        bool openable;
        SettingsValue value;
        std::string expected;
    };
    const Row rows[] = {
        {false, {Type::Text, "x"}, kDefaultTrackerCommand},
        {true, {Type::Absent, ""}, kDefaultTrackerCommand},
        {true, {Type::Text, ""}, kDefaultTrackerCommand},
        {true, {Type::Text, "dopplex-tracker --lead-in 20"}, "dopplex-tracker --lead-in 20"},
        {true, {Type::ExpandableText, "wine orbitron.exe"}, "wine orbitron.exe"},
    };
    for (const Row& row : rows) {
        FakeSettings settings;
        settings.openable = row.openable;
        settings.path = row.value;
        EXPECT_EQ(configured_tracker(settings, kDefaultTrackerCommand), row.expected);
        if (row.openable) {
            EXPECT_EQ(settings.calls.back(), "read Software\\Dopplex Tracker");
        }
    }
    FakeSettings other;
    other.path = {Type::Other, ""};
    EXPECT_THROW(configured_tracker(other, kDefaultTrackerCommand), SettingsTypeError);
}

TEST(LinkStartError, Messages) {
    const std::pair<unsigned, const char*> rows[] = {
        {0x4007, "Error occurred when DDE ran out of memory ($04007)"},
        {0x4008, "Error occurred when DDE ran out of memory ($04008)"},
        {0x400A, "DDE Error - conversation not established ($0400a)"},
        {0x400F, "An error returned from DDE  ($0400f)"},
        {0x4006, "An error returned from DDE  ($04006)"},
    };
    for (const auto& [code, message] : rows) {
        EXPECT_EQ(link_start_error_message(code), message);
        EXPECT_STREQ(LinkStartError(code).what(), message);
    }
}

} // namespace
} // namespace dopplex
