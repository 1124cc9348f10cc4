#include "live_rigctld.h"

#include "loopback_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace dopplex::test {

namespace {

std::int64_t ms_now() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

int free_loopback_port() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &len) != 0) {
        throw std::runtime_error("no free loopback port");
    }
    close(fd);
    return ntohs(address.sin_port);
}

Rigctld::Rigctld(bool vfo_mode, int port) {
    // Another program may take a free port between our look and rigctld's bind: rigctld then
    // ends at once, and the port that answers is not ours. Try again on another port.
    for (int attempt = 0; attempt < 10; ++attempt) {
        port_ = port ? port : free_loopback_port();
        if (start(vfo_mode)) {
            return;
        }
        if (port) {
            break;
        }
    }
    throw std::runtime_error("rigctld does not listen on " + std::to_string(port_));
}

bool Rigctld::start(bool vfo_mode) {
    const std::string port_text = std::to_string(port_);
    std::vector<std::string> words{"rigctld", "-m", "1", "-T", "127.0.0.1", "-t", port_text};
    if (vfo_mode) {
        words.emplace_back("--vfo");
    }
    std::vector<char*> argv;
    for (std::string& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, "rigctld", nullptr, nullptr, argv.data(), environ) != 0) {
        throw std::runtime_error("rigctld does not start (Hamlib's utilities installed?)");
    }
    for (int i = 0; i < 500; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        const int fd = connect_loopback(port_);
        if (fd >= 0) {
            close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (waitpid(pid_, nullptr, WNOHANG) != pid_) {
                return true;
            }
            pid_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill();
    return false;
}

Rigctld::~Rigctld() {
    kill();
}

void Rigctld::kill() {
    if (pid_ < 0) {
        return;
    }
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

std::string ask(int port, const std::string& line) {
    // rigctld now and then closes a new connection before answering (under load): the second
    // client, which only stands in for the operator, asks again. Its commands set absolute
    // values, so asking twice does no harm.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = connect_loopback(port);
        if (fd < 0) {
            throw std::runtime_error("the daemon does not take a second client");
        }
        const std::string sent = line + "\n";
        if (write(fd, sent.data(), sent.size()) != static_cast<ssize_t>(sent.size())) {
            throw std::runtime_error("the second client cannot send");
        }
        std::string answer;
        char c = 0;
        while (read(fd, &c, 1) == 1 && c != '\n') {
            answer += c;
        }
        close(fd);
        if (!answer.empty()) {
            return answer;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return "";
}

DelayingProxy::DelayingProxy(int to_port, int each_way_ms) {
    listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof address;
    if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listen_fd_, 1) != 0 ||
        getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &len) != 0) {
        throw std::runtime_error("the proxy cannot listen");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this, to_port, each_way_ms] {
        pollfd accepting{listen_fd_, POLLIN, 0};
        while (!done_ && poll(&accepting, 1, 20) <= 0) {
        }
        if (done_) {
            return;
        }
        int daemon = connect_loopback(to_port);
        // A loaded machine may keep the daemon from taking a connection at once.
        for (int i = 0; daemon < 0 && i < 300; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            daemon = connect_loopback(to_port);
        }
        const int fds[2] = {accept(listen_fd_, nullptr, nullptr), daemon};
        const int one = 1;
        for (int fd : fds) {
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        }
        struct Held {
            std::int64_t due;
            std::string bytes;
        };
        std::deque<Held> queued[2]; // [0]: client to daemon
        while (!done_) {
            pollfd p[2] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}};
            poll(p, 2, 5);
            for (int i = 0; i < 2; ++i) {
                if (p[i].revents & POLLIN) {
                    char buffer[4096];
                    const ssize_t n = read(fds[i], buffer, sizeof buffer);
                    if (n <= 0) {
                        done_ = true;
                        break;
                    }
                    queued[i].push_back({ms_now() + each_way_ms, std::string(buffer, n)});
                }
                while (!queued[i].empty() && queued[i].front().due <= ms_now()) {
                    const std::string& b = queued[i].front().bytes;
                    if (write(fds[1 - i], b.data(), b.size()) < 0) {
                        done_ = true;
                    }
                    queued[i].pop_front();
                }
            }
        }
        for (int fd : fds) {
            close(fd);
        }
    });
}

DelayingProxy::~DelayingProxy() {
    done_ = true;
    thread_.join();
    close(listen_fd_);
}

} // namespace dopplex::test
