// A private runtime folder per test (XDG_RUNTIME_DIR), a started dopplex-tracker, and a
// thread-safe event queue standing in for the engine's.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "event_queue.h"
#include "eventually.h"
#include "link/socket/runtime_dir.h"
#include "link/socket/unix_socket.h"
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

} // namespace dopplex::test
