#include "settings/file_settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Root reads every file whatever its mode; for a while this thread opens files as nobody.
class OrdinaryUser {
public:
    explicit OrdinaryUser(bool active) : active_(active && geteuid() == 0) {
        if (active_) {
            setfsuid(kNobody);
        }
    }
    ~OrdinaryUser() {
        if (active_) {
            setfsuid(0);
        }
    }
    static constexpr uid_t kNobody = 65534;

private:
    bool active_;
};

TEST_F(SettingsFile, WhatCannotBeReadIsReportedAndLeftAloneAndWritesKeepTheFile) {
    const std::string folder = dir_ + "/dopplex";
    const std::string kept = "[Software\\Stoff\\Orbitron]\nPath=sz:/opt/orb/\n[A]\n[B]\n";
    const std::string crlf = "[Software\\Stoff\\Orbitron]\r\nPath=sz:/opt/orb/\r\n";
    const std::string added = "[Other]\n[Software\\Stoff\\Orbitron]\n";
    const auto put = [](const std::string& where, const std::string& text, mode_t mode) {
        std::ofstream(where) << text;
        ASSERT_EQ(chmod(where.c_str(), mode), 0);
    };
    struct Row {
        const char* name;
        std::function<void()> prepare;
        bool as_user;       // opened as an ordinary user
        const char* reason; // in the error, or "" for none
        const char* path;   // the Path value read
        std::string after;  // the contents afterwards, through links; "" for no regular file
    };
    const Row rows[] = {
        {"unreadable",
         [&] {
             put(file_, kept, 0);
             // The user may replace the file, as in a folder of their own.
             ASSERT_EQ(chmod(dir_.c_str(), 0711), 0);
             if (geteuid() == 0) {
                 ASSERT_EQ(chown(folder.c_str(), OrdinaryUser::kNobody, OrdinaryUser::kNobody), 0);
             }
         },
         true, "Permission denied", "", kept},
        {"crlf", [&] { put(file_, crlf, 0644); }, false, "", "/opt/orb/", crlf},
        {"symlink",
         [&] {
             put(dir_ + "/elsewhere", "[Other]\n", 0644);
             ASSERT_EQ(symlink("../elsewhere", file_.c_str()), 0);
         },
         false, "", "", added},
        {"private", [&] { put(file_, "[Other]\n", 0600); }, false, "", "", added},
        {"fifo", [&] { ASSERT_EQ(mkfifo(file_.c_str(), 0644), 0); }, false,
         "it is not a regular file", "", ""},
        {"folder", [&] { std::filesystem::create_directory(file_); }, false,
         "it is not a regular file", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove_all(folder);
        std::filesystem::create_directory(folder);
        row.prepare();
        const std::filesystem::file_status before = std::filesystem::symlink_status(file_);
        std::string error;
        std::string path;
        {
            const OrdinaryUser user(row.as_user);
            try {
                FileSettingsStore store(file_);
                EXPECT_TRUE(store.open_or_create_key(kTrackerSettingsKey));
                path = store.read_value(kTrackerSettingsKey, "Path").text;
            } catch (const SettingsReadError& e) {
                error = e.what();
            }
        }
        EXPECT_EQ(error,
                  *row.reason ? "Cannot read the settings file " + file_ + ": " + row.reason : "");
        EXPECT_EQ(path, row.path);
        const std::filesystem::file_status after = std::filesystem::symlink_status(file_);
        EXPECT_EQ(after.type(), before.type());
        EXPECT_EQ(after.permissions(), before.permissions());
        if (!row.after.empty()) {
            EXPECT_EQ(contents(), row.after);
        }
    }
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
