// A private runtime folder per test (XDG_RUNTIME_DIR), a started dopplex-tracker, and a
// thread-safe event queue standing in for the engine's.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "eventually.h"
#include "link/runtime_dir.h"
#include "link/unix_socket.h"
#include "scratch_dir.h"
#include "tracker/link/client_conversation.h"

extern char** environ;

namespace dopplex::test {

class RuntimeDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = scratch_.path();
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
        unsetenv("DOPPLEX_LINK_DIR"); // the operator's own choice would win over the private one
        socket_ = link::socket_path(dir_, kTrackerService, kTrackerTopic);
    }
    void TearDown() override {
        for (pid_t pid : children_) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }

    // Starts dopplex-tracker with the options and waits until it accepts connections.
    pid_t start_tracker(std::vector<std::string> options) {
        options.insert(options.begin(), DOPPLEX_TRACKER_PATH);
        std::vector<char*> argv;
        for (std::string& o : options) {
            argv.push_back(o.data());
        }
        argv.push_back(nullptr);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
        children_.push_back(pid);
        const bool ready = eventually([&] {
            const int fd = link::connect_unix(socket_);
            if (fd >= 0) {
                close(fd);
            }
            return fd >= 0;
        });
        EXPECT_TRUE(ready) << "tracker not ready";
        return pid;
    }
    // Ends a tracker as the operator would (SIGTERM) and reaps it.
    void stop_tracker(pid_t pid) {
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        std::erase(children_, pid);
    }

    const ScratchDir scratch_; // removed after TearDown ended the children
    std::string dir_;
    std::string socket_;
    std::vector<pid_t> children_;
};

// The engine's queue: post() from any thread, pump_until() on the test thread.
class EventQueue {
public:
    void post(std::function<void()> f) {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(f));
        ready_.notify_all();
    }
    // Runs queued closures until done() holds or the time-out passes; returns done().
    bool pump_until(const std::function<bool()>& done,
                    int timeout_ms = static_cast<int>(kPatience.count())) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (!done()) {
            std::unique_lock lock(mutex_);
            if (!ready_.wait_until(lock, deadline, [&] { return !queue_.empty(); })) {
                return done();
            }
            auto f = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            f();
        }
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> queue_;
};

} // namespace dopplex::test
