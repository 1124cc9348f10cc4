#include "cat/tcp_link.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace dopplex {

namespace {

std::string reason(int error) {
    return std::strerror(error);
}

// One address tried within the connect wait; the socket is blocking again once connected.
int connect_one(const addrinfo& ai, int& error) {
    const int fd = ::socket(ai.ai_family, ai.ai_socktype | SOCK_CLOEXEC, ai.ai_protocol);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int rc = ::connect(fd, ai.ai_addr, ai.ai_addrlen);
    if (rc < 0 && errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        rc = ::poll(&p, 1, TcpLink::kConnectMs);
        if (rc == 0) {
            error = ETIMEDOUT;
            ::close(fd);
            return -1;
        }
        socklen_t len = sizeof error;
        error = 0;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len);
        rc = error == 0 ? 0 : -1;
    } else if (rc < 0) {
        error = errno;
    }
    if (rc < 0) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, flags);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

} // namespace

void TcpLink::open() {
    close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(host_.c_str(), std::to_string(port_).c_str(), &hints, &found);
    if (rc != 0) {
        throw std::runtime_error(::gai_strerror(rc));
    }
    int error = 0;
    for (const addrinfo* ai = found; ai && fd_ < 0; ai = ai->ai_next) {
        fd_ = connect_one(*ai, error);
    }
    ::freeaddrinfo(found);
    if (fd_ < 0) {
        throw std::runtime_error(reason(error));
    }
    if (::pipe2(wake_, O_CLOEXEC) != 0) {
        const int e = errno;
        close();
        throw std::runtime_error(reason(e));
    }
    reader_ = std::thread([this, fd = fd_, wake = wake_[0]] { read_loop(fd, wake); });
}

void TcpLink::read_loop(int fd, int wake) {
    char buffer[4096];
    for (;;) {
        pollfd p[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
        if (::poll(p, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            on_end_(reason(errno));
            return;
        }
        if (p[1].revents != 0) {
            return; // closed by us: nothing to tell
        }
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            on_bytes_(std::string(buffer, static_cast<std::size_t>(n)));
        } else if (n == 0) {
            on_end_("closed by the daemon");
            return;
        } else if (errno != EINTR) {
            on_end_(reason(errno));
            return;
        }
    }
}

void TcpLink::send(const std::string& bytes) {
    if (fd_ < 0) {
        throw std::runtime_error("not connected");
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw std::runtime_error(reason(errno));
        }
        done += static_cast<std::size_t>(n);
    }
}

void TcpLink::close() {
    if (wake_[1] >= 0) {
        const char stop = 0;
        [[maybe_unused]] const ssize_t n = ::write(wake_[1], &stop, 1);
    }
    if (reader_.joinable()) {
        reader_.join();
    }
    for (int& fd : {std::ref(fd_), std::ref(wake_[0]), std::ref(wake_[1])}) {
        if (fd >= 0) {
            ::close(fd);
        }
        fd = -1;
    }
}

} // namespace dopplex
