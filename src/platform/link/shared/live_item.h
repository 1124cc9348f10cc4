// Watches one item of the tracker on a conversation of its own, apart from the engine's, so the
// operator sees the pass go on while the engine is blocked in a train. Owns a worker thread: it
// connects (again after `retry` while the tracker is away or after it ended), subscribes, and
// hands every value of the item to `deliver`, on the worker thread. The transport must be used
// by nobody else. The destructor ends the conversation and joins; nothing here throws.
#pragma once

#include "tracker/link/link_transport.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace dopplex::link {

class LiveItem final : private LinkListener {
public:
    using Deliver = std::function<void(const std::string& bytes)>;

    LiveItem(LinkTransport& transport, std::string service, std::string topic, std::string item,
             Deliver deliver, std::chrono::milliseconds retry = std::chrono::seconds(2));
    ~LiveItem() override;
    LiveItem(const LiveItem&) = delete;
    LiveItem& operator=(const LiveItem&) = delete;

private:
    void change_notice(const std::string& item) override;
    void conversation_ended() override;
    void run();
    bool open();
    bool fetch();

    LinkTransport& transport_;
    const std::string service_, topic_, item_;
    const Deliver deliver_;
    const std::chrono::milliseconds retry_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false; // guarded by mutex_
    bool changed_ = false;  // guarded by mutex_
    bool ended_ = false;    // guarded by mutex_
    std::thread worker_;
};

} // namespace dopplex::link
