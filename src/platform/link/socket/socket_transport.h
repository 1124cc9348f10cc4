// The link transport over the local socket protocol (docs/link-protocol.md): one client
// conversation, a reader thread that turns the peer's lines into listener notices, and requests
// answered through a condition variable with a time-out. Called on the engine thread; the
// listener is called on the reader thread. A misbehaving peer ends the conversation, never the
// program; a frame left incomplete for more than 2 s ends it too. Why a connect failed or a
// conversation ended goes to the status listener, for the operator.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "link/socket/frame_parser.h"
#include "link/socket/interruptible_io.h"
#include "tracker/link/link_transport.h"

namespace dopplex::link {

// How long a frame may stay incomplete before the conversation ends.
inline constexpr int kFrameStallMs = 2000;

class SocketTransport : public LinkTransport {
public:
    // One line on the state of the link, called when it changes: the conversation opened, why a
    // connect failed or the conversation ended, a request left unanswered. Called on the engine
    // thread or the reader thread; it only hands the text on.
    using StatusListener = std::function<void(const std::string& status)>;

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
    void interrupt() override;

    // nullptr stops the reports; once it returns, the previous listener is not called any more.
    void set_status_listener(StatusListener listener);

private:
    // Empty when the peer accepted the conversation, else why not.
    std::string handshake(int fd, FrameParser& parser, const std::string& service,
                          const std::string& topic);
    std::optional<Frame> transact(const std::string& verb, const std::string& item, int timeout_ms);
    void read_loop(int fd, FrameParser parser);
    // Reads until the conversation ends; returns why it ended.
    std::string read_frames(int fd, FrameParser& parser);
    void dispatch(const Frame& frame);
    void release();
    void set_status(const std::string& status);

    std::string runtime_dir_;
    Interrupter interrupter_;
    mutable std::mutex mutex_;
    std::condition_variable answered_;
    int fd_ = -1;
    bool alive_ = false;
    bool stopping_ = false;
    bool interrupted_ = false;
    std::string opened_status_;
    unsigned next_id_ = 0;
    unsigned waiting_id_ = 0;
    std::optional<Frame> answer_;
    std::thread reader_;
    // Held while a notice is delivered, so set_listener(nullptr) waits for it.
    std::mutex listener_mutex_;
    LinkListener* listener_ = nullptr;
    std::mutex status_mutex_; // held while a status is delivered; taken after mutex_, never before
    StatusListener status_listener_;
    std::string status_;
};

} // namespace dopplex::link
