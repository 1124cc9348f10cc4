#include "command_source.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace dopplex::tracker {
namespace {

constexpr auto kReapPoll = std::chrono::milliseconds(10);

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

// The command's process: started at construction, stopped and reaped at the latest when this
// goes away, so no error path leaves it running or a zombie behind.
class Child {
public:
    Child(const std::string& command, std::chrono::milliseconds grace) : grace_(grace) {
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
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
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
    }
    ~Child() {
        if (!status_) {
            stop();
        }
        close(output_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    int output() const { return output_; }

    // The exit status once the child has ended and was reaped.
    bool ended() {
        if (status_) {
            return true;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = status;
        }
        return status_.has_value();
    }
    int status() const { return *status_; }

    void stop() {
        kill(pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + grace_;
        while (!ended() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(kReapPoll);
        }
        if (!ended()) {
            kill(pid_, SIGKILL);
            int status = 0;
            while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            status_ = status;
        }
    }

private:
    std::chrono::milliseconds grace_;
    int output_ = -1;
    pid_t pid_ = -1;
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

} // namespace

CommandSource::CommandSource(std::string command, std::ostream& notices,
                             std::chrono::milliseconds grace)
    : command_(std::move(command)), notices_(notices), grace_(grace) {}

void CommandSource::run(const Publish& publish, int stop_fd) {
    Child child(command_, grace_);
    Lines lines(publish, notices_);
    bool open = true;
    char buffer[8192];
    while (true) {
        // Once the output is closed, only the child's end is awaited, in short polls.
        pollfd fds[2] = {{stop_fd, POLLIN, 0}, {child.output(), POLLIN, 0}};
        const int timeout_ms = open ? -1 : static_cast<int>(kReapPoll.count());
        if (poll(fds, open ? 2 : 1, timeout_ms) < 0) {
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
        if (open && fds[1].revents != 0) {
            const ssize_t got = read(child.output(), buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got > 0) {
                lines.add(std::string_view(buffer, static_cast<std::size_t>(got)));
                continue;
            }
            lines.finish();
            open = false;
        }
        if (!open && child.ended()) {
            notices_ << "dopplex-tracker: the command ended with " << status_text(child.status())
                     << '\n';
            return;
        }
    }
}

} // namespace dopplex::tracker
