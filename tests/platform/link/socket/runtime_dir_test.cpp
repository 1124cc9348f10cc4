// The link folder: folders another user could reach are refused with the reason, the next choice
// is taken, and a tracker started apart or by the window serves where the window looks.
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "launcher/process_launcher.h"
#include "platform/link/socket/runtime_fixture.h"
#include "tracker/link/link_start_error.h"

namespace dopplex {
namespace {

// TMPDIR is the fixture's private folder; the link variables are set only by a case.
class LinkFolder : public test::RuntimeDirTest {
protected:
    void SetUp() override {
        RuntimeDirTest::SetUp();
        use_tmp(dir_);
    }
    void TearDown() override {
        unsetenv("TMPDIR");
        RuntimeDirTest::TearDown();
    }
    void use_tmp(const std::string& tmp) {
        setenv("TMPDIR", tmp.c_str(), 1);
        unsetenv("XDG_RUNTIME_DIR");
        unsetenv(link::kLinkDirVariable);
        home_ = tmp + "/dopplex-" + std::to_string(getuid());
    }
    std::string home_; // <tmp>/dopplex-<uid>
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
    const std::string xdg = "/xdg", home = "/dopplex-" + std::to_string(getuid());
    struct Row {
        std::function<void(const std::string& tmp)> arrange;
        std::string chosen;               // '@' stands for TMPDIR
        std::vector<std::string> refused; // the start of each line
    };
    const auto set_xdg = [](const std::string& path) {
        setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
    };
    const Row rows[] = {
        {[&](auto& tmp) { set_xdg(make_folder(tmp + xdg, 0700)); }, "@" + xdg, {}},
        {[&](auto&) { set_xdg("run/user"); },
         "@" + home,
         {"link folder run/user refused: not an absolute path"}},
        {[&](auto&) { set_xdg("/tmp"); }, "@" + home, {"link folder /tmp refused: "}},
        {[&](auto& tmp) { make_folder(tmp + home, 0777); },
         "@" + home + "-1",
         {"link folder @" + home + " refused: open to other users (mode 0777)"}},
        {[&](auto& tmp) {
             std::filesystem::create_directory_symlink(make_folder(tmp + xdg, 0700), tmp + home);
             std::ofstream(tmp + home + "-1") << "x";
         },
         "@" + home + "-2",
         {"link folder @" + home + " refused: a symbolic link",
          "link folder @" + home + "-1 refused: not a folder"}},
        {[&](auto& tmp) {
             set_xdg(make_folder(tmp + xdg, 0700));
             setenv(link::kLinkDirVariable, (tmp + "/chosen").c_str(), 1);
         },
         "@/chosen",
         {}},
    };
    int row_number = 0;
    for (const Row& row : rows) {
        const std::string tmp = make_folder(dir_ + "/" + std::to_string(++row_number), 0700);
        const auto at = [&](std::string text) {
            const std::size_t mark = text.find('@');
            return mark == std::string::npos ? text : text.replace(mark, 1, tmp);
        };
        SCOPED_TRACE(row_number);
        use_tmp(tmp);
        row.arrange(tmp);
        const link::RuntimeDir dir = link::runtime_dir();
        EXPECT_EQ(dir.path, at(row.chosen));
        EXPECT_TRUE(is_private_folder(dir.path));
        ASSERT_EQ(dir.refused.size(), row.refused.size());
        for (std::size_t i = 0; i < row.refused.size(); ++i) {
            EXPECT_EQ(dir.refused[i].rfind(at(row.refused[i]), 0), 0u) << dir.refused[i];
        }
    }
}

TEST_F(LinkFolder, EveryNameTakenGivesAFreshFolderAndABadChoiceIsRefusedWithTheReason) {
    make_folder(home_, 0777);
    for (int n = 1; n <= 8; ++n) {
        make_folder(home_ + "-" + std::to_string(n), 0755);
    }
    const link::RuntimeDir fresh = link::runtime_dir();
    EXPECT_TRUE(fresh.fresh && is_private_folder(fresh.path));
    EXPECT_EQ(fresh.path.rfind(home_ + "-", 0), 0u);
    EXPECT_EQ(fresh.refused.size(), 9u);
    EXPECT_EQ(link::runtime_dir_notice(fresh).back(),
              "link folder in use: " + fresh.path +
                  " (a tracker started separately needs DOPPLEX_LINK_DIR=" + fresh.path + ")");

    setenv(link::kLinkDirVariable, home_.c_str(), 1);
    try {
        link::runtime_dir();
        ADD_FAILURE() << "an open folder was accepted";
    } catch (const LinkStartError& error) {
        EXPECT_EQ(std::string(error.what()), "link folder " + home_ +
                                                 " refused: open to other users (mode 0777)\n" +
                                                 link_start_error_message(kLinkSystemError));
    }
}

// A tracker started apart finds the window's folder by the same rule; one the window starts is
// told it, and serves there even where its own rule would pick another.
TEST_F(LinkFolder, TrackersServeInTheWindowsFolder) {
    setenv("XDG_RUNTIME_DIR", make_folder(dir_ + "/open", 0777).c_str(), 1);
    ASSERT_EQ(link::runtime_dir().path, home_);
    socket_ = link::socket_path(home_, kTrackerService, kTrackerTopic);
    start_tracker({"--lead-in", "5"});

    const std::string told = make_folder(dir_ + "/told", 0700);
    const std::string told_socket = link::socket_path(told, kTrackerService, kTrackerTopic);
    launch::ProcessLauncher launcher(told_socket, std::chrono::seconds(3));
    launcher.set_environment(link::kLinkDirVariable, told);
    ASSERT_EQ(launcher.launch(std::string(DOPPLEX_TRACKER_PATH) + " --lead-in 5"),
              launch::kLaunched);
    children_.push_back(launcher.last_pid());
    const int fd = link::connect_unix(told_socket);
    EXPECT_GE(fd, 0);
    close(fd);
}

} // namespace
} // namespace dopplex
