// The tracker's command source with real shell commands: the lines it serves, how it ends, and a
// command that has to be stopped, with or without heeding SIGTERM, left with everything it
// started neither running nor a zombie.
#include "sources/command_source.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <pthread.h>
#include <sstream>
#include <unistd.h>

namespace dopplex::tracker {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

struct Pipe {
    int fds[2] = {-1, -1};
    Pipe() { EXPECT_EQ(pipe(fds), 0); }
    ~Pipe() {
        close(fds[0]);
        close(fds[1]);
    }
};

TEST(CommandSource, ServesEachLineUntilTheCommandEnds) {
    const std::string long_line = "head -c 70000 /dev/zero | tr '\\0' a; ";
    struct Row {
        const char* what;
        std::string command;
        std::vector<std::string> lines;
        std::string notice;
        int exit_code = 0;
    };
    const Row rows[] = {
        {"CRLF and LF lines, exit status",
         R"(printf 'SN"X" AZ1.0 EL2.0\r\nSN"Y" AZ3.0\n\n'; exit 3)",
         {R"(SN"X" AZ1.0 EL2.0)", R"(SN"Y" AZ3.0)", ""},
         "the command ended with exit status 3",
         3},
        {"last line without its newline", "printf 'A\\nB'", {"A", "B"}, "exit status 0"},
        {"a line over 64 KB left out, the next served",
         long_line + "printf '\\nOK\\n'",
         {"OK"},
         "longer than 65536 bytes; it is left out"},
        {"exactly 64 KB served",
         "head -c 65536 /dev/zero | tr '\\0' b; echo",
         {std::string(65536, 'b')},
         "exit status 0"},
        {"ended by a signal", "echo one; kill -9 $$", {"one"}, "signal 9", 137},
        {"not a command", "exec /nonexistent-dopplex", {}, "exit status 127", 127},
        {"a background child holds the output",
         "sleep 60 & echo one; exit 4",
         {"one"},
         "the command ended with exit status 4",
         4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Pipe stop;
        std::ostringstream notices;
        std::vector<std::string> served;
        CommandSource source(row.command, notices);
        EXPECT_EQ(source.first_text(), "");
        const auto start = std::chrono::steady_clock::now();
        source.run([&](const std::string& text) { served.push_back(text); }, stop.fds[0]);
        // Not a speed goal: the background child's 60 s must not be waited for.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
        EXPECT_THAT(served, ElementsAreArray(row.lines));
        EXPECT_THAT(notices.str(), HasSubstr(row.notice));
        EXPECT_EQ(source.exit_code(), row.exit_code);
    }
}

TEST(CommandSource, StopEndsACommandThatNeverEndsAndReapsIt) {
    struct Row {
        const char* what;
        const char* command;
        const char* notice;
    };
    // As in dopplex-tracker, whose stop signals arrive through a descriptor: the command must
    // not inherit the blocked mask.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGINT);
    sigset_t before;
    pthread_sigmask(SIG_BLOCK, &stop_signals, &before);
    // The first line holds the pids of every process that must be gone afterwards.
    const Row rows[] = {
        {"heeds SIGTERM", "echo $$; exec sleep 30", "signal 15"},
        {"ignores SIGTERM", "trap '' TERM; echo $$; while :; do sleep 1; done", "signal 9"},
        {"a background child", "sleep 30 & echo $$ $!; wait", "signal 15"},
        {"a script run by a shell that stays",
         "sh -c 'echo $PPID $$; while :; do sleep 1; done'; echo after", "signal 15"},
        {"a child that ignores SIGTERM", "(trap '' TERM; sleep 30) & echo $$ $!; wait",
         "signal 15"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Pipe stop;
        std::ostringstream notices;
        std::vector<std::string> served;
        CommandSource source(row.command, notices, std::chrono::milliseconds(200));
        source.run(
            [&](const std::string& text) {
                served.push_back(text);
                EXPECT_EQ(write(stop.fds[1], "x", 1), 1);
            },
            stop.fds[0]);
        ASSERT_EQ(served.size(), 1U);
        EXPECT_THAT(notices.str(), HasSubstr(std::string("stopped the command (") + row.notice));
        std::istringstream pids(served[0]);
        for (pid_t pid; pids >> pid;) {
            EXPECT_EQ(kill(pid, 0), -1) << pid << " still runs, or is a zombie";
            EXPECT_EQ(errno, ESRCH);
        }
        EXPECT_EQ(source.exit_code(), 0);
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

} // namespace
} // namespace dopplex::tracker
