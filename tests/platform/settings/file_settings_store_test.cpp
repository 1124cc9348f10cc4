#include "settings/file_settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "scratch_dir.h"
#include "tracker/link/tracker_location.h"

namespace dopplex {
namespace {

using settings::FileSettingsStore;
using Type = SettingsValue::Type;

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = scratch_.path();
        file_ = dir_ + "/dopplex/registry";
    }
    std::string contents() const {
        std::ifstream in(file_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    const test::ScratchDir scratch_;
    std::string dir_;
    std::string file_;
};

TEST_F(SettingsFile, MissingKeyIsCreatedEmpty) {
    FileSettingsStore store(file_);
    EXPECT_TRUE(store.open_or_create_key("\\Software\\Stoff\\Orbitron"));
    EXPECT_EQ(contents(), "[\\Software\\Stoff\\Orbitron]\n");
    EXPECT_TRUE(store.open_or_create_key("software\\stoff\\ORBITRON")) << "case and root";
    EXPECT_EQ(contents(), "[\\Software\\Stoff\\Orbitron]\n");
    EXPECT_EQ(store.read_value("Software\\Stoff\\Orbitron", "Path").type, Type::Absent);
    EXPECT_EQ(locate_tracker(
                  "/app/", [](auto&) { return false; }, store),
              "orbitron");
}

TEST_F(SettingsFile, TypedValuesRoundTrip) {
    FileSettingsStore store(file_);
    const std::string key = "Software\\Stoff\\Orbitron";
    struct Row {
        std::string type_word;
        std::string text;
        Type type;
    };
    const Row rows[] = {
        {"sz", "C:\\Program Files\\Orbitron\\", Type::Text},
        {"expand_sz", "%ProgramFiles%\\Orb=it[r]on\\", Type::ExpandableText},
        {"dword", "12", Type::Other},
        {"sz", std::string("a\nb\0%c\xe9", 7), Type::Text},
    };
    for (const Row& row : rows) {
        store.write_value(key, "Path", row.type_word, row.text);
        store.write_value("Other\\Key", "Path", "sz", "not this one");
        const SettingsValue value = FileSettingsStore(file_).read_value(key, "path");
        EXPECT_EQ(value.type, row.type) << row.text;
        EXPECT_EQ(value.text, row.text);
    }
    const std::string text = contents();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4) << text;
}

TEST_F(SettingsFile, NonTextPathIsReportedThroughLocating) {
    FileSettingsStore store(file_);
    store.write_value(kTrackerSettingsKey, "Path", "binary", "0102");
    EXPECT_THROW(locate_tracker(
                     "/app/", [](auto&) { return false; }, store),
                 SettingsTypeError);
}

TEST_F(SettingsFile, UnreadableLinesAreKeptAndUnwritableFolderFailsTheKey) {
    std::filesystem::create_directories(dir_ + "/dopplex");
    std::ofstream(file_) << "junk line\n[Other]\nName=sz:x\n";
    FileSettingsStore store(file_);
    EXPECT_TRUE(store.open_or_create_key(kTrackerSettingsKey));
    EXPECT_EQ(contents(), "junk line\n[Other]\nName=sz:x\n[Software\\Stoff\\Orbitron]\n");

    FileSettingsStore nowhere("/proc/no-such-folder/registry");
    EXPECT_FALSE(nowhere.open_or_create_key(kTrackerSettingsKey));
}

TEST(SettingsFileLocation, FollowsTheEnvironment) {
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(FileSettingsStore::default_file(), "/cfg/dopplex/registry");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/op", 1);
    EXPECT_EQ(FileSettingsStore::default_file(), "/home/op/.config/dopplex/registry");
}

} // namespace
} // namespace dopplex
