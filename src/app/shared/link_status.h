// The link status line for a transport that tells no status of its own (DDE): a transport in
// front of it that says, in the socket transport's words, why the link is as it is: the
// conversation opened, nobody answered, a request refused or unanswered, the tracker gone. The
// status goes to the listener on the caller's thread or the transport's, only when it changes.
#pragma once

#include "tracker/link/link_transport.h"

#include <functional>
#include <mutex>
#include <string>

namespace dopplex::app {

class StatusTransport final : public LinkTransport, private LinkListener {
public:
    using Listener = std::function<void(const std::string& status)>;

    // `inner` must outlive this.
    explicit StatusTransport(LinkTransport& inner);
    ~StatusTransport() override;
    // nullptr stops the reports; once it returns, the previous listener is not called any more.
    void set_status_listener(Listener listener);
    // After a launch that brought no tracker: why (it could not start, or it does not answer).
    // The connect that follows the launch keeps this reason rather than only saying that
    // nobody answers.
    void explain(const std::string& reason);

    void set_listener(LinkListener* listener) override;
    bool connect(const std::string& service, const std::string& topic) override;
    bool connected() const override { return inner_.connected(); }
    bool subscribe(const std::string& item, int timeout_ms) override;
    std::optional<std::string> request(const std::string& item, int timeout_ms) override;
    void disconnect() override { inner_.disconnect(); }
    void interrupt() override { inner_.interrupt(); }

private:
    void change_notice(const std::string& item) override;
    void conversation_ended() override;
    void tell(const std::string& status);

    LinkTransport& inner_;
    std::mutex mutex_, status_mutex_;
    Listener status_listener_;         // guarded by status_mutex_
    LinkListener* listener_ = nullptr; // guarded by mutex_
    std::string status_, opened_;      // guarded by mutex_
    bool explained_ = false;           // guarded by mutex_: a reason for the next connect
};

} // namespace dopplex::app
