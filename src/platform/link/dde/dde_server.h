// The tracker's side of the DDE link: registers a service name, accepts conversations on one
// topic, answers subscriptions (with or without data) and requests in CF_TEXT, and announces
// an item to its subscribers (DdePostAdvise) when its bytes change. DDEML runs on the server's
// own thread; set_item() may be called from any thread. Used by dopplex-tracker and by tests.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "link/dde/dde_thread.h"

namespace dopplex::link {

struct DdeServerOptions {
    bool refuse_connections = false;   // refuse every conversation
    bool refuse_subscriptions = false; // refuse every ADVSTART
    // Hang on every REQUEST, as a tracker that stopped responding: its thread answers nothing,
    // announces nothing, until stop() or kHoldMs.
    bool ignore_requests = false;
};

class DdeServer {
public:
    static constexpr DWORD kHoldMs = 10000;

    DdeServer(std::string service, std::string topic, DdeServerOptions options = {});
    ~DdeServer();
    DdeServer(const DdeServer&) = delete;
    DdeServer& operator=(const DdeServer&) = delete;

    // Starts DDEML and registers the service name; throws std::runtime_error when it cannot.
    void start();
    // Stores the item's bytes; subscribers get a notice only when they differ.
    void set_item(const std::string& item, std::string bytes);
    // Ends every conversation and the service.
    void stop();

private:
    HDDEDATA on_callback(UINT type, UINT format, HCONV conversation, HSZ hsz1, HSZ hsz2);
    HDDEDATA item_data(UINT format, HSZ item);

    std::string service_;
    std::string topic_;
    DdeServerOptions options_;
    HANDLE release_ = nullptr; // set by stop(): a held request returns
    std::mutex mutex_;
    std::map<std::string, std::string> items_;
    // Touched on the DDEML thread only.
    HSZ service_handle_ = nullptr;
    std::set<HCONV> open_;
    std::unique_ptr<DdeThread> thread_;
};

} // namespace dopplex::link
