#include "link/socket/socket_transport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "link/socket/runtime_dir.h"
#include "link/socket/unix_socket.h"

namespace dopplex::link {

namespace {

constexpr int kHandshakeTimeoutMs = 1000;
constexpr int kSendTimeoutMs = 1000;
constexpr std::size_t kChunk = 4096;

using Clock = std::chrono::steady_clock;

Clock::time_point after_ms(int ms) {
    return Clock::now() + std::chrono::milliseconds(ms);
}

std::string link_error(int error) {
    return std::string("Link error: ") + std::strerror(error);
}

} // namespace

SocketTransport::SocketTransport(std::string runtime_dir) : runtime_dir_(std::move(runtime_dir)) {}

SocketTransport::~SocketTransport() {
    set_listener(nullptr);
    set_status_listener(nullptr);
    disconnect();
}

void SocketTransport::set_listener(LinkListener* listener) {
    std::lock_guard lock(listener_mutex_);
    listener_ = listener;
}

void SocketTransport::set_status_listener(StatusListener listener) {
    std::lock_guard lock(status_mutex_);
    status_listener_ = std::move(listener);
}

void SocketTransport::set_status(const std::string& status) {
    std::lock_guard lock(status_mutex_);
    if (status == status_) {
        return;
    }
    status_ = status;
    if (status_listener_) {
        status_listener_(status_);
    }
}

bool SocketTransport::connect(const std::string& service, const std::string& topic) {
    disconnect();
    std::string path;
    try {
        path = socket_path(runtime_dir_, service, topic);
    } catch (const std::exception& error) {
        set_status(error.what());
        return false;
    }
    // Clients that hog the server's backlog must not keep the window out for good.
    const int fd = connect_unix(path, kHandshakeTimeoutMs);
    if (fd < 0) {
        set_status("No tracker answers at " + path);
        return false;
    }
    FrameParser parser;
    const std::string failure = handshake(fd, parser, service, topic);
    if (!failure.empty()) {
        close(fd);
        set_status(failure);
        return false;
    }
    // Before the reader starts, so an end it finds at once is the last word.
    const std::string opened = "Conversation with " + service + " " + topic + " open";
    set_status(opened);
    std::lock_guard lock(mutex_);
    fd_ = fd;
    alive_ = true;
    opened_status_ = opened;
    reader_ = std::thread(&SocketTransport::read_loop, this, fd, std::move(parser));
    return true;
}

std::string SocketTransport::handshake(int fd, FrameParser& parser, const std::string& service,
                                       const std::string& topic) {
    if (!valid_name(service) || !valid_name(topic)) {
        return "Service or topic is no valid name";
    }
    const auto deadline = after_ms(kHandshakeTimeoutMs);
    if (!interrupter_.send_all(fd, frame_line({"CONNECT", service, topic}), deadline)) {
        return "The tracker does not take the connect request";
    }
    Frame frame;
    for (;;) {
        switch (parser.next(frame)) {
        case FrameParser::Status::Frame:
            if (frame.words.size() == 1 && frame.words[0] == "CONNECTED") {
                return {};
            }
            return "The tracker refused " + service + " " + topic;
        case FrameParser::Status::Malformed:
            return "Protocol error: " + parser.error();
        case FrameParser::Status::NeedMore:
            break;
        }
        if (interrupter_.wait(fd, POLLIN, deadline) != Interrupter::Wait::Ready) {
            return "The tracker did not answer within " + std::to_string(kHandshakeTimeoutMs) +
                   " ms";
        }
        char chunk[kChunk];
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) {
            return n == 0 ? "The tracker closed the connection" : link_error(errno);
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
    if (!alive_ || interrupted_) {
        return std::nullopt;
    }
    const unsigned id = ++next_id_;
    waiting_id_ = id;
    answer_.reset();
    const int fd = fd_;
    lock.unlock();
    const bool sent = interrupter_.send_all(fd, frame_line({verb, std::to_string(id), item}),
                                            after_ms(kSendTimeoutMs));
    lock.lock();
    if (sent) {
        answered_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                           [&] { return answer_.has_value() || !alive_ || interrupted_; });
    }
    waiting_id_ = 0;
    std::optional<Frame> answer = std::move(answer_);
    answer_.reset();
    // The end of the conversation and a close report themselves. Under the lock, so this
    // cannot overtake the reader's report of an end.
    if (alive_ && !interrupted_) {
        if (answer) {
            set_status(answer->words[0] == "NACK" ? "The tracker refused " + verb + " " + item
                                                  : opened_status_);
        } else {
            set_status(sent ? "No answer to " + verb + " " + item + " within " +
                                  std::to_string(timeout_ms) + " ms"
                            : "Sending " + verb + " to the tracker failed or took over " +
                                  std::to_string(kSendTimeoutMs) + " ms");
        }
    }
    return answer;
}

void SocketTransport::read_loop(int fd, FrameParser parser) {
    const std::string ended = read_frames(fd, parser);
    bool notify = false;
    {
        std::lock_guard lock(mutex_);
        alive_ = false;
        notify = !stopping_;
        answered_.notify_all();
    }
    if (notify) {
        set_status(ended);
        std::lock_guard lock(listener_mutex_);
        if (listener_ != nullptr) {
            listener_->conversation_ended();
        }
    }
}

std::string SocketTransport::read_frames(int fd, FrameParser& parser) {
    // A peer that stops inside a frame would otherwise leave the link open with stale data.
    constexpr auto kNoFrame = Clock::time_point::max();
    Clock::time_point frame_deadline = kNoFrame;
    Frame frame;
    for (;;) {
        bool completed = false;
        for (;;) {
            const FrameParser::Status status = parser.next(frame);
            if (status == FrameParser::Status::Malformed) {
                return "Protocol error: " + parser.error();
            }
            if (status == FrameParser::Status::NeedMore) {
                break;
            }
            if (frame.words[0] == "BYE") {
                return "The tracker ended the conversation";
            }
            dispatch(frame);
            completed = true;
        }
        if (!parser.partial()) {
            frame_deadline = kNoFrame;
        } else if (completed || frame_deadline == kNoFrame) {
            frame_deadline = after_ms(kFrameStallMs);
        }
        int timeout_ms = -1;
        if (frame_deadline != kNoFrame) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(frame_deadline - Clock::now());
            timeout_ms = static_cast<int>(std::max<long long>(0, left.count()));
        }
        pollfd waiting{fd, POLLIN, 0};
        const int ready = poll(&waiting, 1, timeout_ms);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            return link_error(errno);
        }
        if (ready == 0) {
            return "The tracker stopped inside a frame for more than " +
                   std::to_string(kFrameStallMs / 1000) + " s";
        }
        char chunk[kChunk];
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n == 0 ? "The tracker closed the connection" : link_error(errno);
        }
        parser.feed(chunk, static_cast<std::size_t>(n));
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

void SocketTransport::interrupt() {
    {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
        answered_.notify_all();
    }
    interrupter_.raise();
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
