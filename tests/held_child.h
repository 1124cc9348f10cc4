// A child process that becomes another user when asked, does its work and then holds what it
// made (sockets, mostly) until the test destroys it. The work runs in the child after fork(): plain
// system calls only, since the test's threads and locks are not there; it returns false to fail.
#pragma once

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <optional>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dopplex::test {

class HeldChild {
public:
    template <class Work>
    HeldChild(std::optional<uid_t> uid, Work work, const char* what, int wait_ms = 30000) {
        int ready[2];
        EXPECT_EQ(pipe2(ready, O_CLOEXEC), 0);
        pid_ = fork();
        if (pid_ == 0) {
            const char done = 1;
            if ((uid && (setgroups(0, nullptr) != 0 || setresgid(*uid, *uid, *uid) != 0 ||
                         setresuid(*uid, *uid, *uid) != 0)) ||
                !work() || write(ready[1], &done, 1) != 1) {
                _exit(1);
            }
            pause();
            _exit(0);
        }
        close(ready[1]);
        char done = 0;
        pollfd wait{ready[0], POLLIN, 0};
        EXPECT_TRUE(poll(&wait, 1, wait_ms) == 1 && read(ready[0], &done, 1) == 1) << what;
        close(ready[0]);
    }
    ~HeldChild() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    HeldChild(const HeldChild&) = delete;
    HeldChild& operator=(const HeldChild&) = delete;

private:
    pid_t pid_ = -1;
};

} // namespace dopplex::test
