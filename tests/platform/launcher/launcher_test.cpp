#include "launcher/process_launcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "launcher/command_words.h"

namespace dopplex {
namespace {

using launch::command_words;
using launch::ProcessLauncher;
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

TEST(ProcessLauncher, ResultsLikeThePlatform) {
    ProcessLauncher launcher("/nonexistent/socket", std::chrono::milliseconds(200));
    EXPECT_EQ(launcher.launch("/nonexistent/orbitron"), 2);
    EXPECT_EQ(launcher.launch("no-such-program-anywhere-dopplex"), 2);
    EXPECT_EQ(launcher.launch(""), 2);
    char pattern[] = "/tmp/dopplex-launch-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    std::ofstream(dir + "/plain") << "text";
    chmod((dir + "/plain").c_str(), 0600);
    std::ofstream(dir + "/junk") << "\x7f\x01 not a program";
    chmod((dir + "/junk").c_str(), 0700);
    EXPECT_EQ(launcher.launch(dir + "/plain"), 5);
    EXPECT_EQ(launcher.launch(dir + "/junk"), 11);
    std::filesystem::remove_all(dir);
    // Started, but it ends at once: the wait for readiness ends with it.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(launcher.launch("/bin/true"), 33);
    EXPECT_GT(launcher.last_pid(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(190));
}

TEST(ProcessLauncher, WaitIsBoundedAndTheProgramInTheCurrentFolderComesFirst) {
    char pattern[] = "/tmp/dopplex-launch-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    std::ofstream(dir + "/sleep") << "#!/bin/sh\necho \"$1\" > ran\nexec /bin/sleep 5\n";
    chmod((dir + "/sleep").c_str(), 0700);

    ProcessLauncher launcher(dir + "/never-a-socket", std::chrono::milliseconds(300));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(launcher.launch("sleep \"quoted arg\""), 33);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(290));
    EXPECT_LT(took, std::chrono::milliseconds(2000));
    kill(launcher.last_pid(), SIGKILL);
    std::string ran;
    std::getline(std::ifstream(dir + "/ran"), ran);
    EXPECT_EQ(ran, "quoted arg");
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace dopplex
