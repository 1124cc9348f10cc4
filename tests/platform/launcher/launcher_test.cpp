#include "launcher/process_launcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "eventually.h"
#include "scratch_dir.h"

namespace dopplex {
namespace {

using launch::ProcessLauncher;

TEST(ProcessLauncher, ResultsLikeThePlatform) {
    // The ready wait is long, so that only a program that ended can end it early.
    ProcessLauncher launcher("/nonexistent/socket", 2 * test::kPatience);
    EXPECT_EQ(launcher.launch("/nonexistent/orbitron"), 2);
    EXPECT_EQ(launcher.launch("no-such-program-anywhere-dopplex"), 2);
    EXPECT_EQ(launcher.launch(""), 2);
    const test::ScratchDir dir;
    std::ofstream(dir / "plain") << "text";
    chmod((dir / "plain").c_str(), 0600);
    std::ofstream(dir / "junk") << "\x7f\x01 not a program";
    chmod((dir / "junk").c_str(), 0700);
    EXPECT_EQ(launcher.launch(dir / "plain"), 5);
    EXPECT_EQ(launcher.launch(dir / "junk"), 11);
    // Started, but it ends at once: the wait for readiness ends with it.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(launcher.launch("/bin/true"), 33);
    EXPECT_GT(launcher.last_pid(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, test::kPatience);
}

TEST(ProcessLauncher, WaitIsBoundedAndTheProgramInTheCurrentFolderComesFirst) {
    const test::ScratchDir scratch;
    const std::string& dir = scratch.path();
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    std::ofstream(dir + "/sleep") << "#!/bin/sh\necho \"$1\" > ran\nexec /bin/sleep 60\n";
    chmod((dir + "/sleep").c_str(), 0700);

    ProcessLauncher launcher(dir + "/never-a-socket", std::chrono::milliseconds(300));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(launcher.launch("sleep \"quoted arg\""), 33);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(290));
    EXPECT_LT(took, test::kPatience);
    // The script writes before it sleeps, but a loaded machine may not have run it yet.
    std::string ran;
    EXPECT_TRUE(test::eventually([&] {
        std::ifstream in(dir + "/ran");
        return std::getline(in, ran) && ran == "quoted arg";
    })) << ran;
    kill(launcher.last_pid(), SIGKILL);
    std::filesystem::current_path(previous);
}

// A player the window started ends with it, with what it started; one that already ended is
// left alone.
TEST(ProcessLauncher, EndsWhatItStartedThatStillRuns) {
    const test::ScratchDir scratch;
    ProcessLauncher launcher(scratch.path() + "/never-a-socket", std::chrono::milliseconds(50));
    ASSERT_EQ(launcher.launch("/bin/true"), 33);
    ASSERT_EQ(launcher.launch("/bin/sh -c \"/bin/sleep 60 & exec /bin/sleep 61\""), 33);
    const pid_t player = launcher.last_pid();
    const auto start = std::chrono::steady_clock::now();
    launcher.end_started(test::kPatience);
    EXPECT_LT(std::chrono::steady_clock::now() - start, test::kPatience);
    // Reaped at once, and the group went with it.
    EXPECT_TRUE(test::eventually([&] { return kill(player, 0) != 0 && kill(-player, 0) != 0; }));
}

} // namespace
} // namespace dopplex
