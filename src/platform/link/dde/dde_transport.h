// The link transport over Windows DDEML: one client conversation (CF_TEXT, code page
// CP_WINANSI), subscriptions with change notices that carry no data, synchronous requests with
// a time-out. DDEML runs on the transport's own thread (see DdeThread); the engine thread's calls
// wait for it (interrupt() ends those waits), and its callback hands notices to the listener,
// which only queues them. The constructor throws LinkStartError with DDEML's code when DDEML
// cannot be started.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "link/dde/dde_thread.h"
#include "tracker/link/link_transport.h"

namespace dopplex::link {

class DdeTransport : public LinkTransport {
public:
    DdeTransport();
    ~DdeTransport() override;
    DdeTransport(const DdeTransport&) = delete;
    DdeTransport& operator=(const DdeTransport&) = delete;

    void set_listener(LinkListener* listener) override;
    bool connect(const std::string& service, const std::string& topic) override;
    bool connected() const override;
    bool subscribe(const std::string& item, int timeout_ms) override;
    std::optional<std::string> request(const std::string& item, int timeout_ms) override;
    void disconnect() override;
    void interrupt() override;

    // Whether a server answers for service and topic now (a conversation opened and closed at
    // once); for the launcher's wait until a started tracker is ready.
    bool answers(const std::string& service, const std::string& topic);

    // Someone beside the engine who sees `item`'s values as they come, also while the engine is
    // busy, on the DDEML thread: the values of the engine's own requests, and when the engine
    // has not asked within kWatchWaitMs of a change notice, the value the DDEML thread requests
    // itself. Not a second conversation: under Wine a second one, of this instance or another,
    // costs both of them change notices. Any thread; once it returns, an earlier watch is not
    // called.
    using Watch = std::function<void(const std::string& bytes)>;
    void watch(std::string item, Watch watch);
    static constexpr std::chrono::milliseconds kWatchWaitMs{300};

private:
    // On the DDEML thread: hands a value of `item` to the watch, if it watches it.
    void watched(const std::string& item, const std::string& bytes);
    // On the DDEML thread, each tick: the request of a change the engine did not ask for.
    void fetch_unasked();
    HDDEDATA on_callback(UINT type, HCONV conv, HSZ item);
    void check_partner();
    // The conversation ended from the tracker's side: forget it and tell the listener once.
    void ended(HCONV conv);
    HCONV current() const;
    // On the DDEML thread, before a new conversation; false when DDEML cannot start again.
    bool forget_ended();
    // Runs a transaction on the DDEML thread; nothing when the link is down or interrupted.
    std::optional<std::string> transact(const std::string& item, UINT type, int timeout_ms);

    // The open conversation; read on the DDEML thread, cleared by the engine's disconnect().
    mutable std::mutex mutex_;
    HCONV conversation_ = nullptr;
    bool interrupted_ = false;
    // Touched on the DDEML thread only: a conversation ended by the tracker, which Wine keeps.
    bool ended_conversation_ = false;
    // Held while a notice is delivered, so set_listener(nullptr) waits for it.
    std::mutex listener_mutex_;
    LinkListener* listener_ = nullptr;
    // Held while the watch is called, so watch() waits for it.
    std::mutex watch_mutex_;
    std::string watched_item_; // guarded by watch_mutex_
    Watch watch_;              // guarded by watch_mutex_
    // DDEML thread only: when the watched item's last change came that nobody asked for yet.
    std::optional<std::chrono::steady_clock::time_point> unasked_since_;
    // DDEML thread only: when the watch last requested the item itself.
    std::optional<std::chrono::steady_clock::time_point> watch_asked_;
    // Last: its thread calls back into the members above.
    std::unique_ptr<DdeThread> thread_;
};

} // namespace dopplex::link
