#include "launcher/process_launcher.h"

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <memory>
#include <mutex>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "launcher/command_words.h"

extern char** environ;

namespace dopplex::launch {

namespace {

int result_of(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return 2;
    case EACCES:
    case EPERM:
        return 5;
    case ENOEXEC:
        return 11;
    default:
        return 0;
    }
}

bool accepts_connections(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return false;
    }
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

// The process's environment with the overrides in place of any earlier value.
std::vector<std::string> child_environment(const std::map<std::string, std::string>& overrides) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        if (overrides.count(text.substr(0, text.find('='))) == 0) {
            entries.push_back(text);
        }
    }
    for (const auto& [name, value] : overrides) {
        entries.push_back(name + "=" + value);
    }
    return entries;
}

std::vector<char*> pointers(std::vector<std::string>& words) {
    std::vector<char*> result;
    for (std::string& word : words) {
        result.push_back(word.data());
    }
    result.push_back(nullptr);
    return result;
}

} // namespace

// A started program: the waiter marks it ended before it reaps it, under the lock, so a signal
// sent under the lock never reaches a process id that was reused.
struct ProcessLauncher::Child {
    pid_t pid;
    std::mutex lock;
    std::condition_variable done;
    bool ended = false;
};

ProcessLauncher::ProcessLauncher(std::string ready_socket, std::chrono::milliseconds ready_timeout)
    : ready_socket_(std::move(ready_socket)), ready_timeout_(ready_timeout) {}

void ProcessLauncher::set_environment(const std::string& name, const std::string& value) {
    environment_[name] = value;
}

int ProcessLauncher::launch(const std::string& command_line) {
    std::vector<std::string> words = command_words(command_line);
    if (words.empty()) {
        return 2;
    }
    if (words[0].find('/') == std::string::npos && access(words[0].c_str(), X_OK) == 0) {
        words[0] = "./" + words[0];
    }
    std::vector<char*> argv = pointers(words);
    std::vector<std::string> environment = child_environment(environment_);
    std::vector<char*> envp = pointers(environment);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own session: the tracker outlives a terminal's hang-up of Dopplex, like a program
    // started from the desktop.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, argv[0], nullptr, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        return result_of(error);
    }
    last_pid_ = pid;

    auto child = std::make_shared<Child>();
    child->pid = pid;
    children_.push_back(child);
    std::thread([child] {
        siginfo_t info{};
        while (waitid(P_PID, static_cast<id_t>(child->pid), &info, WEXITED | WNOWAIT) < 0 &&
               errno == EINTR) {
        }
        {
            const std::lock_guard<std::mutex> held(child->lock);
            child->ended = true;
        }
        child->done.notify_all();
        int status = 0;
        while (waitpid(child->pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();

    const auto ended = [&child] {
        const std::lock_guard<std::mutex> held(child->lock);
        return child->ended;
    };
    const auto deadline = std::chrono::steady_clock::now() + ready_timeout_;
    while (!ended() && !accepts_connections(ready_socket_) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return kLaunched;
}

void ProcessLauncher::end_started(std::chrono::milliseconds grace) {
    for (const auto& child : children_) {
        const std::lock_guard<std::mutex> held(child->lock);
        if (!child->ended) {
            kill(-child->pid, SIGTERM); // its own session: the group holds what it started
        }
    }
    const auto deadline = std::chrono::steady_clock::now() + grace;
    for (const auto& child : children_) {
        std::unique_lock<std::mutex> held(child->lock);
        child->done.wait_until(held, deadline, [&child] { return child->ended; });
    }
}

} // namespace dopplex::launch
