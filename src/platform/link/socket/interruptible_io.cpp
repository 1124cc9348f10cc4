#include "link/socket/interruptible_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tracker/link/link_start_error.h"

namespace dopplex::link {

Interrupter::Interrupter() : event_fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (event_fd_ < 0) {
        throw LinkStartError(errno == ENOMEM ? kLinkMemoryError : kLinkSystemError);
    }
}

Interrupter::~Interrupter() {
    close(event_fd_);
}

void Interrupter::raise() {
    const std::uint64_t one = 1;
    // Only a counter at its maximum refuses the write, and that is readable already.
    [[maybe_unused]] const ssize_t written = write(event_fd_, &one, sizeof one);
}

Interrupter::Wait Interrupter::wait(int fd, short events, Clock::time_point deadline) const {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd waiting[2] = {{fd, events, 0}, {event_fd_, POLLIN, 0}};
        const int ready = poll(waiting, 2, static_cast<int>(std::max<long long>(0, left.count())));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (waiting[1].revents != 0) {
            return Wait::Interrupted;
        }
        if (ready > 0 && waiting[0].revents != 0) {
            return Wait::Ready; // a hang-up or error: the call that follows reports it
        }
        if (ready < 0 || Clock::now() >= deadline) {
            return Wait::TimedOut;
        }
    }
}

bool Interrupter::send_all(int fd, const std::string& bytes, Clock::time_point deadline) const {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (wait(fd, POLLOUT, deadline) != Wait::Ready) {
            return false;
        }
        const ssize_t n =
            send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace dopplex::link
