// dopplexd as a child process on free ports, its port a trace file in a scratch folder: what it
// printed, its rig and rotator fed over TCP as Gpredict feeds them, and the trace read back.
#pragma once

#include "eventually.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace dopplex::test {

// Starts argv with the descriptors `actions` sets up, its standard error discarded; the pid.
inline pid_t spawn(std::vector<std::string> argv, posix_spawn_file_actions_t& actions) {
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> words;
    for (std::string& word : argv) {
        words.push_back(word.data());
    }
    words.push_back(nullptr);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, words[0], &actions, nullptr, words.data(), environ), 0) << argv[0];
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

class RunningDaemon {
public:
    // Starts dopplexd with the page on `page_host` and AO-91 (145.960 / 435.250 MHz, 100 Hz),
    // with more `settings`, more of the transponder's and a state file it kept before.
    explicit RunningDaemon(const std::string& page_host, const std::string& settings = {},
                           const std::string& transponder = {}, const std::string& state = {}) {
        const std::filesystem::path conf = std::filesystem::path(dir_.path()) / "dopplexd.conf";
        if (!state.empty()) {
            std::ofstream(state_file()) << state;
        }
        std::ofstream(conf) << "[dopplexd]\nport = trace:" << trace_file().string()
                            << "\nrig = 127.0.0.1:0\nrotator = 127.0.0.1:0\npage = " << page_host
                            << ":0\npass_log = off\n"
                            << settings
                            << "[transponder AO-91]\ndownlink = 145960000\nuplink = 435250000\n"
                            << transponder;
        int out[2];
        EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        pid_ = spawn({DOPPLEXD_PATH, "--config", conf.string(), "--state", state_file().string()},
                     actions);
        close(out[1]);
        out_ = out[0];
        reader_ = std::thread([this] { read_output(); });
        EXPECT_TRUE(eventually([this] { return printed().find(" on port ") != npos; }))
            << printed();
        rig_ = port_after("Hamlib rig 127.0.0.1:");
        rotator_ = port_after("Hamlib rotator 127.0.0.1:");
        page_ = port_after("page on " + page_host + ":");
    }

    ~RunningDaemon() { EXPECT_EQ(end(), 0); }

    // SIGTERM, then the exit status (-1: none); the trace must then end low.
    int end() {
        if (pid_ < 0) {
            return exit_status_;
        }
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        reader_.join();
        close(out_);
        const std::vector<int> lines = trace();
        EXPECT_TRUE(lines.empty() || lines.back() == 0) << "a line is left high";
        exit_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return exit_status_;
    }

    std::string printed() {
        std::lock_guard lock(mutex_);
        return printed_;
    }
    bool printed_eventually(const std::string& part) {
        return eventually([&] { return printed().find(part) != npos; });
    }

    // One command to the rig or the rotator, as rigctl sends it; returns the answer.
    static std::string tell(int port, const std::string& command) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        std::string answer;
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            write(fd, command.data(), command.size()) == static_cast<ssize_t>(command.size())) {
            pollfd wait{fd, POLLIN, 0};
            char buffer[256];
            if (poll(&wait, 1, 5000) > 0) {
                const ssize_t n = read(fd, buffer, sizeof buffer);
                answer.assign(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
            }
        }
        close(fd);
        return answer;
    }

    // The bytes written to the port, in order.
    std::vector<int> trace() const {
        std::vector<int> bytes;
        std::ifstream in(trace_file());
        std::string time, address;
        int byte = 0;
        std::string bits;
        while (in >> time >> address >> byte >> bits) {
            bytes.push_back(byte);
        }
        return bytes;
    }
    // How often the line of `bit` went high.
    int rises(int bit) const {
        int count = 0, before = 0;
        for (const int byte : trace()) {
            count += ((byte >> bit) & 1) && !((before >> bit) & 1);
            before = byte;
        }
        return count;
    }

    std::filesystem::path trace_file() const {
        return std::filesystem::path(dir_.path()) / "lines.log";
    }
    std::filesystem::path state_file() const {
        return std::filesystem::path(dir_.path()) / "dopplexd.state";
    }
    // What "dopplexd --page-url" prints for this configuration and state.
    std::string page_url() const {
        const std::string command =
            std::string(DOPPLEXD_PATH) + " --config " +
            (std::filesystem::path(dir_.path()) / "dopplexd.conf").string() + " --state " +
            state_file().string() + " --page-url";
        std::string printed;
        if (FILE* out = popen(command.c_str(), "r")) {
            char chunk[256];
            for (std::size_t n; (n = fread(chunk, 1, sizeof chunk, out)) > 0;) {
                printed.append(chunk, n);
            }
            EXPECT_EQ(pclose(out), 0) << command;
        }
        return printed;
    }
    int rig() const { return rig_; }
    int rotator() const { return rotator_; }
    int page() const { return page_; }

private:
    static constexpr auto npos = std::string::npos;

    void read_output() {
        char chunk[4096];
        for (ssize_t n; (n = read(out_, chunk, sizeof chunk)) > 0;) {
            std::lock_guard lock(mutex_);
            printed_.append(chunk, static_cast<std::size_t>(n));
        }
    }
    int port_after(const std::string& prefix) {
        const std::string text = printed();
        const std::size_t at = text.find(prefix);
        EXPECT_NE(at, npos) << prefix << " not in:\n" << text;
        return at == npos ? 0 : std::atoi(text.c_str() + at + prefix.size());
    }

    ScratchDir dir_;
    pid_t pid_ = -1;
    int out_ = -1;
    int exit_status_ = -1;
    std::thread reader_;
    std::mutex mutex_;
    std::string printed_;
    int rig_ = 0, rotator_ = 0, page_ = 0;
};

} // namespace dopplex::test
