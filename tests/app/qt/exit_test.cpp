// The program ended from outside in the middle of a long train: by each signal it catches, and
// by losing its X display. The last byte on the port must be 0, so no radio button is left
// pressed, and the exit status must say how it ended.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(20);

class ExitTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/dopplex-exit-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        for (const pid_t pid : children_) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        std::filesystem::remove_all(dir_);
    }

    // Starts `args` with the environment plus `extra` ("NAME=value"); -1 when it cannot start.
    // The exit signals start with their default action, whatever this test inherited (a
    // script's background job ignores SIGINT and SIGQUIT), except `ignored` (as nohup does).
    pid_t spawn(std::vector<std::string> args, const std::vector<std::string>& extra,
                const posix_spawn_file_actions_t* actions = nullptr, int ignored = 0) {
        std::vector<std::string> env(extra);
        for (char** e = environ; *e != nullptr; ++e) {
            env.emplace_back(*e); // the first of a name wins
        }
        std::vector<char*> argv;
        std::vector<char*> envp;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        sigset_t none;
        sigset_t defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        for (const int number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            if (number != ignored) {
                sigaddset(&defaults, number);
            }
        }
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        const auto before = ignored != 0 ? signal(ignored, SIG_IGN) : SIG_DFL;
        pid_t pid = -1;
        const int failed =
            posix_spawnp(&pid, argv[0], actions, &attributes, argv.data(), envp.data());
        if (ignored != 0) {
            signal(ignored, before);
        }
        posix_spawnattr_destroy(&attributes);
        if (failed != 0) {
            return -1;
        }
        children_.push_back(pid);
        return pid;
    }

    // The bytes written to the trace file so far.
    static std::vector<int> bytes_of(const std::string& trace) {
        std::vector<int> bytes;
        std::ifstream in(trace);
        std::string time;
        std::string address;
        int byte = 0;
        std::string bits;
        while (in >> time >> address >> byte >> bits) {
            bytes.push_back(byte);
        }
        return bytes;
    }

    // The byte last written, -1 before any.
    static int last_byte(const std::string& trace) {
        const std::vector<int> bytes = bytes_of(trace);
        return bytes.empty() ? -1 : bytes.back();
    }

    // Waits until the train has raised RX UP `pulses` times; a radio button is held down from
    // the first on.
    static bool rx_up_raised(const std::string& trace, std::size_t pulses = 1) {
        for (const auto deadline = Clock::now() + kPatience; Clock::now() < deadline;) {
            if (rx_up_pulses(trace) >= pulses) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    static std::size_t rx_up_pulses(const std::string& trace) {
        std::size_t pulses = 0;
        bool up = false;
        for (const int byte : bytes_of(trace)) {
            pulses += !up && (byte & 1) != 0 ? 1 : 0;
            up = (byte & 1) != 0;
        }
        return pulses;
    }

    // The wait status of `pid`, or -1 (after killing it) when it does not end in time.
    int reap(pid_t pid) {
        int status = 0;
        for (const auto deadline = Clock::now() + kPatience; Clock::now() < deadline;) {
            if (waitpid(pid, &status, WNOHANG) == pid) {
                std::erase(children_, pid);
                return status;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return -1;
    }

    std::string child_trace(const char* name) { return dir_ + "/" + name + ".trace"; }
    // The stand-in program on `trace`, with its own runtime folder.
    pid_t spawn_child(const std::string& trace, std::vector<std::string> extra,
                      const char* ending = nullptr, int ignored = 0) {
        extra.push_back("XDG_RUNTIME_DIR=" + dir_);
        std::vector<std::string> args{EXIT_CHILD_PATH, trace};
        if (ending != nullptr) {
            args.emplace_back(ending);
        }
        return spawn(args, extra, nullptr, ignored);
    }

    // How many lines rose at or after `since` (the trace's stamps are this machine's steady
    // clock).
    static int rises_since(const std::string& trace, Clock::time_point since) {
        const auto since_ns =
            std::chrono::duration_cast<std::chrono::nanoseconds>(since.time_since_epoch()).count();
        std::ifstream in(trace);
        long long seconds = 0;
        char dot = 0;
        long long nanoseconds = 0;
        std::string address;
        int byte = 0;
        std::string bits;
        int before = 0;
        int rises = 0;
        while (in >> seconds >> dot >> nanoseconds >> address >> byte >> bits) {
            if (seconds * 1'000'000'000 + nanoseconds >= since_ns && (byte & ~before) != 0) {
                ++rises;
            }
            before = byte;
        }
        return rises;
    }

    std::string dir_;
    std::vector<pid_t> children_;
};

TEST_F(ExitTest, EveryCaughtSignalCutsTheTrainShortAndLowersEveryLine) {
    for (const int number : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
        const char* name = sigabbrev_np(number);
        SCOPED_TRACE(name);
        const std::string trace = child_trace(name);
        const pid_t child = spawn_child(trace, {"QT_QPA_PLATFORM=offscreen"});
        ASSERT_GT(child, 0);
        ASSERT_TRUE(rx_up_raised(trace));
        const auto sent = Clock::now();
        kill(child, number);
        const int status = reap(child);
        const auto took =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent);
        std::cout << "SIG" << name << ": ended " << took.count() << " ms after the signal\n";
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
        EXPECT_EQ(last_byte(trace), 0);
    }
}

// A tracker sending large texts as fast as it can while a train runs: the window keeps only the
// latest text, so a signal is still served at once and nothing is pressed after it.
struct Flood {
    int signal;
    int text_bytes;
};

class FloodThenExit : public ExitTest, public ::testing::WithParamInterface<Flood> {};

TEST_P(FloodThenExit, EndsWithEveryLineLowAndNoPressAfterTheSignal) {
    const Flood flood = GetParam();
    const std::string link_dir = "DOPPLEX_LINK_DIR=" + dir_;
    const std::string texts =
        "awk 'BEGIN { s = \"x\"; while (length(s) < " + std::to_string(flood.text_bytes) +
        ") s = s s; s = substr(s, 1, " + std::to_string(flood.text_bytes) +
        "); for (i = 0; ; i++) printf \"SN\\\"%s\\\" AZ123.4 EL%d.5 DN%d UP145825000\\n\", s, 10 + "
        "i % 50, 437275000 + i % 1000 }'";
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, (dir_ + "/tracker.log").c_str(),
                                     O_WRONLY | O_CREAT, 0644);
    const pid_t tracker = spawn({TRACKER_PATH, "--from-command", texts}, {link_dir}, &quiet);
    posix_spawn_file_actions_destroy(&quiet);
    ASSERT_GT(tracker, 0);
    const std::string socket = dir_ + "/dopplex-link.Orbitron.Tracking";
    for (const auto deadline = Clock::now() + kPatience;
         !std::filesystem::exists(socket) && Clock::now() < deadline;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(std::filesystem::exists(socket));

    const std::string trace = child_trace(sigabbrev_np(flood.signal));
    const pid_t child = spawn_child(trace, {"QT_QPA_PLATFORM=offscreen", link_dir}, "link");
    ASSERT_GT(child, 0);
    ASSERT_TRUE(rx_up_raised(trace));
    // Long enough for a window that queues every text to fall seconds behind.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const auto sent = Clock::now();
    kill(child, flood.signal);
    const int status = reap(child);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent);
    std::cout << "SIG" << sigabbrev_np(flood.signal) << " during a flood of " << flood.text_bytes
              << "-byte texts: ended " << took.count() << " ms after the signal\n";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
    EXPECT_EQ(last_byte(trace), 0);
    // The press already under way when the signal came may still rise; no later one.
    EXPECT_LE(rises_since(trace, sent), 1);
    kill(tracker, SIGTERM);
    EXPECT_NE(reap(tracker), -1);
}

INSTANTIATE_TEST_SUITE_P(Signals, FloodThenExit,
                         ::testing::Values(Flood{SIGTERM, 60000}, Flood{SIGINT, 20000},
                                           Flood{SIGQUIT, 60000}));

TEST_F(ExitTest, HangUpIgnoredAtTheStartStaysIgnored) {
    const std::string trace = child_trace("nohup");
    const pid_t child = spawn_child(trace, {"QT_QPA_PLATFORM=offscreen"}, nullptr, SIGHUP);
    ASSERT_GT(child, 0);
    ASSERT_TRUE(rx_up_raised(trace));
    kill(child, SIGHUP);
    // The train goes on for two more pulses; then SIGTERM still ends it with every line low.
    EXPECT_TRUE(rx_up_raised(trace, rx_up_pulses(trace) + 2));
    kill(child, SIGTERM);
    const int status = reap(child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
    EXPECT_EQ(last_byte(trace), 0);
}

TEST_F(ExitTest, LosingTheDisplayCutsTheTrainShortAndLowersEveryLine) {
    // Xvfb picks a free display and writes its number to `ready` once it accepts clients.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    fcntl(ready[0], F_SETFD, FD_CLOEXEC);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, (dir_ + "/xvfb.log").c_str(),
                                     O_WRONLY | O_CREAT, 0644);
    const pid_t xvfb =
        spawn({"Xvfb", "-displayfd", std::to_string(ready[1]), "-nolisten", "tcp"}, {}, &quiet);
    posix_spawn_file_actions_destroy(&quiet);
    close(ready[1]);
    if (xvfb < 0) {
        close(ready[0]);
        GTEST_SKIP() << "no Xvfb";
    }
    std::string display;
    char c = 0;
    pollfd wait_ready{ready[0], POLLIN, 0};
    while (poll(&wait_ready, 1, 20000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n') {
        display += c;
    }
    close(ready[0]);
    ASSERT_FALSE(display.empty()) << "Xvfb did not start";

    const std::string trace = child_trace("display");
    // exit() leaves the objects of main() in place, which a leak check would only count.
    const pid_t child = spawn_child(
        trace, {"QT_QPA_PLATFORM=xcb", "DISPLAY=:" + display, "ASAN_OPTIONS=detect_leaks=0"});
    ASSERT_GT(child, 0);
    ASSERT_TRUE(rx_up_raised(trace));
    const auto lost = Clock::now();
    kill(xvfb, SIGKILL);
    const int status = reap(child);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lost);
    std::cout << "display lost: ended " << took.count() << " ms later\n";
    // Qt's xcb plugin ends the program with exit(1).
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "wait status " << status;
    EXPECT_EQ(last_byte(trace), 0);
}

TEST_F(ExitTest, QFatalLowersEveryLineBeforeTheAbort) {
    const std::string trace = child_trace("qfatal");
    const pid_t child = spawn_child(trace, {"QT_QPA_PLATFORM=offscreen"}, "qfatal");
    ASSERT_GT(child, 0);
    const int status = reap(child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT) << "wait status " << status;
    EXPECT_TRUE(rx_up_raised(trace));
    EXPECT_EQ(last_byte(trace), 0);
}

} // namespace
