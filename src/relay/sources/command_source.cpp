#include "sources/command_source.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <string_view>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace dopplex::tracker {
namespace {

constexpr auto kReapPoll = std::chrono::milliseconds(10);
// At most this many reads of 8 KB after the command's end.
constexpr std::size_t kChunksAfterEnd = 128;

std::string status_text(int status) {
    if (WIFEXITED(status)) {
        return "exit status " + std::to_string(WEXITSTATUS(status));
    }
    if (WIFSIGNALED(status)) {
        return "signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) +
               ")";
    }
    return "status " + std::to_string(status);
}

// The command's process group: the command leads a group of its own, so a signal reaches
// everything it started (a wine, a script's children, background jobs), and the tracker adopts
// whatever of the group is orphaned, so all of it can be reaped. Started at construction,
// stopped and reaped at the latest when this goes away, so no error path leaves a process
// running or a zombie behind.
class Child {
public:
    Child(const std::string& command, std::chrono::milliseconds grace) : grace_(grace) {
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            throw std::runtime_error(std::string("cannot make a pipe for the command: ") +
                                     std::strerror(errno));
        }
        output_ = fds[0];
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        // The tracker blocks SIGTERM and SIGINT and ignores SIGPIPE; the command must not inherit
        // that, or it could neither be stopped nor notice a closed pipe.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none;
        sigemptyset(&none);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        sigaddset(&defaults, SIGTERM);
        sigaddset(&defaults, SIGINT);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setpgroup(&attributes, 0);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                                  POSIX_SPAWN_SETPGROUP);
        const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
        const int error = posix_spawn(&pid_, "/bin/sh", &actions, &attributes,
                                      const_cast<char* const*>(argv), environ);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (error != 0) {
            close(output_);
            throw std::runtime_error("cannot start /bin/sh for the command: " +
                                     std::string(std::strerror(error)));
        }
        pid_fd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    }
    ~Child() {
        stop();
        close(output_);
        if (pid_fd_ >= 0) {
            close(pid_fd_);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    int output() const { return output_; }
    // Readable when the command has ended; -1 where the kernel has no process descriptors.
    int ended_fd() const { return pid_fd_; }

    // Whether the command itself has ended; reaps it and whatever of its group has ended.
    bool ended() {
        reap_group();
        return status_.has_value();
    }
    int status() const { return *status_; }

    // SIGTERM to the whole group, SIGKILL to what is left after the grace period; returns when
    // every process of the group is gone and reaped.
    void stop() {
        if (group_gone()) {
            return;
        }
        kill(-pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + grace_;
        while (!group_gone() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(kReapPoll);
        }
        kill(-pid_, SIGKILL);
        while (!group_gone()) {
            std::this_thread::sleep_for(kReapPoll);
        }
    }

private:
    void reap_group() {
        int status = 0;
        for (pid_t pid; (pid = waitpid(-pid_, &status, WNOHANG)) > 0;) {
            if (pid == pid_) {
                status_ = status;
            }
        }
    }
    // A zombie still belongs to its group, so reaping comes first.
    bool group_gone() {
        reap_group();
        return kill(-pid_, 0) != 0 && errno == ESRCH;
    }

    std::chrono::milliseconds grace_;
    int output_ = -1;
    pid_t pid_ = -1;
    int pid_fd_ = -1;
    std::optional<int> status_;
};

// Splits the output into lines; a line that grows past the limit is dropped up to its end.
class Lines {
public:
    Lines(const Publish& publish, std::ostream& notices) : publish_(publish), notices_(notices) {}

    void add(std::string_view chunk) {
        while (!chunk.empty()) {
            const auto newline = chunk.find('\n');
            const std::string_view part = chunk.substr(0, newline);
            if (!skipping_) {
                line_.append(part);
                if (line_.size() > CommandSource::kMaxLineBytes) {
                    notices_ << "dopplex-tracker: a line of the command is longer than "
                             << CommandSource::kMaxLineBytes << " bytes; it is left out\n";
                    line_.clear();
                    skipping_ = true;
                }
            }
            if (newline == std::string_view::npos) {
                return;
            }
            end_line();
            chunk.remove_prefix(newline + 1);
        }
    }

    // The last line may lack its newline.
    void finish() {
        if (!line_.empty()) {
            end_line();
        }
    }

private:
    void end_line() {
        if (!skipping_) {
            if (!line_.empty() && line_.back() == '\r') {
                line_.pop_back();
            }
            publish_(line_);
        }
        line_.clear();
        skipping_ = false;
    }

    const Publish& publish_;
    std::ostream& notices_;
    std::string line_;
    bool skipping_ = false;
};

// Reads what is there into lines; false once the output is closed.
bool read_some(int fd, char* buffer, std::size_t size, Lines& lines) {
    const ssize_t got = read(fd, buffer, size);
    if (got < 0) {
        return errno == EINTR || errno == EAGAIN;
    }
    if (got == 0) {
        return false;
    }
    lines.add(std::string_view(buffer, static_cast<std::size_t>(got)));
    return true;
}

} // namespace

CommandSource::CommandSource(std::string command, std::ostream& notices,
                             std::chrono::milliseconds grace)
    : command_(std::move(command)), notices_(notices), grace_(grace) {}

void CommandSource::run(const Publish& publish, int stop_fd) {
    Child child(command_, grace_);
    Lines lines(publish, notices_);
    bool open = true;
    char buffer[8192];
    while (!child.ended()) {
        // Without a process descriptor the command's end is looked for in short polls.
        pollfd fds[3] = {{stop_fd, POLLIN, 0},
                         {child.ended_fd(), POLLIN, 0},
                         {open ? child.output() : -1, POLLIN, 0}};
        const int timeout_ms = child.ended_fd() < 0 ? static_cast<int>(kReapPoll.count()) : -1;
        if (poll(fds, 3, timeout_ms) < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw std::runtime_error(std::string("poll failed: ") + std::strerror(errno));
        }
        if ((fds[0].revents & POLLIN) != 0) {
            child.stop();
            notices_ << "dopplex-tracker: stopped the command (" << status_text(child.status())
                     << ")\n";
            return;
        }
        if (fds[2].revents != 0) {
            open = read_some(child.output(), buffer, sizeof buffer, lines);
        }
    }
    // What the command wrote before it ended is served; a background child that goes on
    // writing is not waited for.
    for (std::size_t chunks = 0; open && chunks < kChunksAfterEnd; ++chunks) {
        pollfd output{child.output(), POLLIN, 0};
        open = poll(&output, 1, 0) > 0 && read_some(child.output(), buffer, sizeof buffer, lines);
    }
    lines.finish();
    const int status = child.status();
    child.stop();
    exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    notices_ << "dopplex-tracker: the command ended with " << status_text(status) << '\n';
}

} // namespace dopplex::tracker
