// The link folder: folders another user could reach are refused with the reason, the next choice
// is taken, and a tracker started apart or by the window serves where the window looks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <signal.h>
#include <sys/stat.h>
#include <thread>

#include "launcher/process_launcher.h"
#include "link/runtime_dir.h"
#include "link/unix_socket.h"
#include "tracker/link/client_conversation.h"
#include "tracker/link/link_start_error.h"

namespace dopplex {
namespace {

namespace fs = std::filesystem;

// TMPDIR is a private folder per test; the link variables are unset until a case sets them.
class LinkFolder : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/dopplex-folder-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        base_ = pattern;
        for (const char* name : {"TMPDIR", "XDG_RUNTIME_DIR", link::kLinkDirVariable}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
        setenv("TMPDIR", base_.c_str(), 1);
        home_ = base_ + "/dopplex-" + std::to_string(getuid());
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        }
        saved_.clear();
        fs::remove_all(base_);
    }

    std::string base_;
    std::string home_; // <tmp>/dopplex-<uid>
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

std::string make_folder(const std::string& path, mode_t mode) {
    EXPECT_EQ(mkdir(path.c_str(), mode), 0) << path;
    EXPECT_EQ(chmod(path.c_str(), mode), 0); // past the umask
    return path;
}

bool is_private_folder(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & 077) == 0;
}

TEST_F(LinkFolder, RefusedFoldersAreNamedWithTheirReasonAndTheNextIsTaken) {
    const std::string home = "/dopplex-" + std::to_string(getuid()); // under TMPDIR
    struct Row {
        const char* what;
        std::function<void(const std::string& tmp)> arrange;
        std::string chosen; // under TMPDIR
        // Folders refused ('@' for TMPDIR) and the start of each reason.
        std::vector<std::pair<std::string, std::string>> refused;
    };
    const auto xdg_private = [](const std::string& tmp) {
        setenv("XDG_RUNTIME_DIR", make_folder(tmp + "/xdg", 0700).c_str(), 1);
    };
    const std::vector<Row> rows = {
        {"a private XDG_RUNTIME_DIR", xdg_private, "/xdg", {}},
        {"a relative XDG_RUNTIME_DIR",
         [](auto&) { setenv("XDG_RUNTIME_DIR", "run/user", 1); },
         home,
         {{"run/user", "not an absolute path"}}},
        {"XDG_RUNTIME_DIR=/tmp",
         [](auto&) { setenv("XDG_RUNTIME_DIR", "/tmp", 1); },
         home,
         {{"/tmp", ""}}},
        {"the default made first by someone else, open",
         [&](const std::string& tmp) { make_folder(tmp + home, 0777); },
         home + "-1",
         {{"@" + home, "open to other users (mode 0777)"}}},
        {"the default a link to a private folder, and the next a file",
         [&](const std::string& tmp) {
             fs::create_directory_symlink(make_folder(tmp + "/elsewhere", 0700), tmp + home);
             std::ofstream(tmp + home + "-1") << "x";
         },
         home + "-2",
         {{"@" + home, "a symbolic link"}, {"@" + home + "-1", "not a folder"}}},
        {"the operator's folder, made when missing",
         [&](const std::string& tmp) {
             xdg_private(tmp);
             setenv(link::kLinkDirVariable, (tmp + "/chosen").c_str(), 1);
         },
         "/chosen",
         {}},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].what);
        const std::string tmp = base_ + "/" + std::to_string(i);
        setenv("TMPDIR", make_folder(tmp, 0700).c_str(), 1);
        unsetenv("XDG_RUNTIME_DIR");
        unsetenv(link::kLinkDirVariable);
        rows[i].arrange(tmp);
        const link::RuntimeDir dir = link::runtime_dir();
        EXPECT_EQ(dir.path, tmp + rows[i].chosen);
        EXPECT_TRUE(is_private_folder(dir.path));
        ASSERT_EQ(dir.refused.size(), rows[i].refused.size());
        for (std::size_t r = 0; r < dir.refused.size(); ++r) {
            const auto& [folder, reason] = rows[i].refused[r];
            const std::string line = "link folder " +
                                     (folder[0] == '@' ? tmp + folder.substr(1) : folder) +
                                     " refused: " + reason;
            EXPECT_EQ(dir.refused[r].rfind(line, 0), 0u) << dir.refused[r];
        }
        const std::vector<std::string> notice = link::runtime_dir_notice(dir);
        EXPECT_EQ(notice.empty(), dir.refused.empty());
        if (!notice.empty()) {
            EXPECT_EQ(notice.back(), "link folder in use: " + dir.path);
        }
    }
}

TEST_F(LinkFolder, EveryNameTakenGivesAFreshFolderAndABadChoiceIsRefusedWithTheReason) {
    make_folder(home_, 0777);
    for (int n = 1; n <= 8; ++n) {
        make_folder(home_ + "-" + std::to_string(n), 0755);
    }
    const link::RuntimeDir fresh = link::runtime_dir();
    EXPECT_TRUE(fresh.fresh);
    EXPECT_EQ(fresh.path.rfind(home_ + "-", 0), 0u);
    EXPECT_TRUE(is_private_folder(fresh.path));
    EXPECT_EQ(fresh.refused.size(), 9u);
    EXPECT_NE(link::runtime_dir_notice(fresh).back().find("DOPPLEX_LINK_DIR=" + fresh.path),
              std::string::npos);

    setenv(link::kLinkDirVariable, home_.c_str(), 1);
    try {
        link::runtime_dir();
        ADD_FAILURE() << "an open folder was accepted";
    } catch (const LinkStartError& error) {
        EXPECT_EQ(error.code(), kLinkSystemError);
        EXPECT_EQ(std::string(error.what()), "link folder " + home_ +
                                                 " refused: open to other users (mode 0777)\n" +
                                                 link_start_error_message(kLinkSystemError));
    }
}

// The window's folder is where a tracker started apart serves (same rule), and where a tracker
// the window starts serves even when its own rule would pick another.
TEST_F(LinkFolder, TrackersServeInTheWindowsFolder) {
    setenv("XDG_RUNTIME_DIR", make_folder(base_ + "/open", 0777).c_str(), 1);
    const std::string window_dir = link::runtime_dir().path;
    ASSERT_EQ(window_dir, home_);
    const std::string told_dir = make_folder(base_ + "/told", 0700);
    for (const std::string& dir : {window_dir, told_dir}) {
        const std::string socket = link::socket_path(dir, kTrackerService, kTrackerTopic);
        launch::ProcessLauncher launcher(socket, std::chrono::seconds(3));
        if (dir == told_dir) {
            launcher.set_environment(link::kLinkDirVariable, told_dir);
        }
        ASSERT_EQ(launcher.launch(std::string(DOPPLEX_TRACKER_PATH) + " --lead-in 5"),
                  launch::kLaunched);
        const int fd = link::connect_unix(socket);
        EXPECT_GE(fd, 0) << dir;
        close(fd);
        ASSERT_EQ(kill(launcher.last_pid(), SIGTERM), 0);
        // The launcher reaps it; the folder goes only after the tracker removed its socket.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (kill(launcher.last_pid(), 0) == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
}

} // namespace
} // namespace dopplex
