// What the tracker link needs from a transport: one client conversation with a service and topic,
// item subscriptions with change notices that carry no data, requests with a time-out, and the
// end of the conversation. Implemented by the local socket transport (Linux), the DDE transport
// (Windows) and by fakes in tests. Calls come from the engine thread; notices may arrive on any
// thread and go to the listener, which must hand them to the engine's queue (never handle them
// in place).
#pragma once

#include <optional>
#include <string>

namespace dopplex {

// Receives the transport's notices. Called on the transport's own thread (or, in fakes, on the
// caller's); an implementation only queues work and returns quickly.
class LinkListener {
public:
    virtual ~LinkListener() = default;
    // The item changed; fetch it with request().
    virtual void change_notice(const std::string& item) = 0;
    // The peer ended the conversation or went away. Not raised for our own disconnect().
    virtual void conversation_ended() = 0;
};

// One client conversation at a time. Every call returns within its time-out (connect and
// subscribe wait at most about a second); none throws for a peer's misbehaviour.
class LinkTransport {
public:
    virtual ~LinkTransport() = default;
    // Set before connect(); nullptr stops delivery. Once it returns, the previous listener is
    // not called any more.
    virtual void set_listener(LinkListener* listener) = 0;
    // Opens a conversation; false when nobody answers or the peer refuses.
    virtual bool connect(const std::string& service, const std::string& topic) = 0;
    virtual bool connected() const = 0;
    // Starts change notices without data for the item; false on refusal or time-out.
    virtual bool subscribe(const std::string& item, int timeout_ms) = 0;
    // The item's bytes, or nothing on refusal or time-out.
    virtual std::optional<std::string> request(const std::string& item, int timeout_ms) = 0;
    // Ends the conversation. When it returns, no further notice of that conversation is
    // delivered to the listener.
    virtual void disconnect() = 0;
    // Any thread, for program end: a subscribe or request that waits now, and every later one,
    // returns at once with nothing.
    virtual void interrupt() = 0;
};

} // namespace dopplex
