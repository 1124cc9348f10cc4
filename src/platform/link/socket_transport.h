// The link transport over the local socket protocol (docs/link-protocol.md): one client
// conversation, a reader thread that turns the peer's lines into listener notices, and requests
// answered through a condition variable with a time-out. Called on the engine thread; the
// listener is called on the reader thread. A misbehaving peer ends the conversation, never the
// program.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "link/frame_parser.h"
#include "tracker/link/link_transport.h"

namespace dopplex::link {

class SocketTransport : public LinkTransport {
public:
    // Sockets are looked for in runtime_dir (see runtime_dir()).
    explicit SocketTransport(std::string runtime_dir);
    ~SocketTransport() override;
    SocketTransport(const SocketTransport&) = delete;
    SocketTransport& operator=(const SocketTransport&) = delete;

    void set_listener(LinkListener* listener) override;
    bool connect(const std::string& service, const std::string& topic) override;
    bool connected() const override;
    bool subscribe(const std::string& item, int timeout_ms) override;
    std::optional<std::string> request(const std::string& item, int timeout_ms) override;
    void disconnect() override;

private:
    bool handshake(int fd, FrameParser& parser, const std::string& service,
                   const std::string& topic);
    std::optional<Frame> transact(const std::string& verb, const std::string& item, int timeout_ms);
    void read_loop(int fd, FrameParser parser);
    void dispatch(const Frame& frame);
    void release();

    std::string runtime_dir_;
    mutable std::mutex mutex_;
    std::condition_variable answered_;
    int fd_ = -1;
    bool alive_ = false;
    bool stopping_ = false;
    unsigned next_id_ = 0;
    unsigned waiting_id_ = 0;
    std::optional<Frame> answer_;
    std::thread reader_;
    // Held while a notice is delivered, so set_listener(nullptr) waits for it.
    std::mutex listener_mutex_;
    LinkListener* listener_ = nullptr;
};

} // namespace dopplex::link
