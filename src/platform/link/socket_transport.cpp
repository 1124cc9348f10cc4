#include "link/socket_transport.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "link/runtime_dir.h"
#include "link/unix_socket.h"

namespace dopplex::link {

namespace {

constexpr int kHandshakeTimeoutMs = 1000;
constexpr std::size_t kChunk = 4096;

using Clock = std::chrono::steady_clock;

} // namespace

SocketTransport::SocketTransport(std::string runtime_dir) : runtime_dir_(std::move(runtime_dir)) {}

SocketTransport::~SocketTransport() {
    set_listener(nullptr);
    disconnect();
}

void SocketTransport::set_listener(LinkListener* listener) {
    std::lock_guard lock(listener_mutex_);
    listener_ = listener;
}

bool SocketTransport::connect(const std::string& service, const std::string& topic) {
    disconnect();
    std::string path;
    try {
        path = socket_path(runtime_dir_, service, topic);
    } catch (const std::exception&) {
        return false;
    }
    const int fd = connect_unix(path);
    if (fd < 0) {
        return false;
    }
    FrameParser parser;
    if (!handshake(fd, parser, service, topic)) {
        close(fd);
        return false;
    }
    std::lock_guard lock(mutex_);
    fd_ = fd;
    alive_ = true;
    reader_ = std::thread(&SocketTransport::read_loop, this, fd, std::move(parser));
    return true;
}

bool SocketTransport::handshake(int fd, FrameParser& parser, const std::string& service,
                                const std::string& topic) {
    if (!valid_name(service) || !valid_name(topic) ||
        !send_all(fd, frame_line({"CONNECT", service, topic}))) {
        return false;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(kHandshakeTimeoutMs);
    Frame frame;
    for (;;) {
        switch (parser.next(frame)) {
        case FrameParser::Status::Frame:
            return frame.words.size() == 1 && frame.words[0] == "CONNECTED";
        case FrameParser::Status::Malformed:
            return false;
        case FrameParser::Status::NeedMore:
            break;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd waiting{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&waiting, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char chunk[kChunk];
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) {
            return false;
        }
        parser.feed(chunk, static_cast<std::size_t>(n));
    }
}

bool SocketTransport::connected() const {
    std::lock_guard lock(mutex_);
    return alive_;
}

bool SocketTransport::subscribe(const std::string& item, int timeout_ms) {
    const auto answer = transact("ADVSTART", item, timeout_ms);
    return answer && answer->words[0] == "ACK";
}

std::optional<std::string> SocketTransport::request(const std::string& item, int timeout_ms) {
    auto answer = transact("REQUEST", item, timeout_ms);
    if (!answer || answer->words[0] != "DATA") {
        return std::nullopt;
    }
    return std::move(answer->data);
}

std::optional<Frame> SocketTransport::transact(const std::string& verb, const std::string& item,
                                               int timeout_ms) {
    if (!valid_name(item)) {
        return std::nullopt;
    }
    std::unique_lock lock(mutex_);
    if (!alive_) {
        return std::nullopt;
    }
    const unsigned id = ++next_id_;
    waiting_id_ = id;
    answer_.reset();
    const int fd = fd_;
    lock.unlock();
    const bool sent = send_all(fd, frame_line({verb, std::to_string(id), item}));
    lock.lock();
    if (sent) {
        answered_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                           [&] { return answer_.has_value() || !alive_; });
    }
    waiting_id_ = 0;
    std::optional<Frame> answer = std::move(answer_);
    answer_.reset();
    return answer;
}

void SocketTransport::read_loop(int fd, FrameParser parser) {
    Frame frame;
    bool ended = false;
    while (!ended) {
        switch (parser.next(frame)) {
        case FrameParser::Status::Frame:
            if (frame.words[0] == "BYE") {
                ended = true;
            } else {
                dispatch(frame);
            }
            continue;
        case FrameParser::Status::Malformed:
            ended = true;
            continue;
        case FrameParser::Status::NeedMore:
            break;
        }
        char chunk[kChunk];
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ended = true;
        } else {
            parser.feed(chunk, static_cast<std::size_t>(n));
        }
    }
    bool notify = false;
    {
        std::lock_guard lock(mutex_);
        alive_ = false;
        notify = !stopping_;
        answered_.notify_all();
    }
    if (notify) {
        std::lock_guard lock(listener_mutex_);
        if (listener_ != nullptr) {
            listener_->conversation_ended();
        }
    }
}

void SocketTransport::dispatch(const Frame& frame) {
    const std::string& verb = frame.words[0];
    if (verb == "CHANGED" && frame.words.size() == 2) {
        std::lock_guard lock(listener_mutex_);
        if (listener_ != nullptr) {
            listener_->change_notice(frame.words[1]);
        }
        return;
    }
    if ((verb == "ACK" || verb == "NACK" || verb == "DATA") && frame.words.size() >= 2) {
        std::lock_guard lock(mutex_);
        if (waiting_id_ != 0 && frame.words[1] == std::to_string(waiting_id_)) {
            answer_ = frame;
            answered_.notify_all();
        }
    }
    // Anything else is a later version's line or an answer that came too late: ignored.
}

void SocketTransport::disconnect() {
    int fd = -1;
    {
        std::lock_guard lock(mutex_);
        fd = fd_;
        stopping_ = true;
    }
    if (fd >= 0) {
        send(fd, "BYE\n", 4, MSG_NOSIGNAL | MSG_DONTWAIT);
        shutdown(fd, SHUT_RDWR);
    }
    release();
}

void SocketTransport::release() {
    if (reader_.joinable()) {
        reader_.join();
    }
    std::lock_guard lock(mutex_);
    if (fd_ >= 0) {
        close(fd_);
    }
    fd_ = -1;
    alive_ = false;
    stopping_ = false;
}

} // namespace dopplex::link
