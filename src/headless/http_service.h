// A small HTTP service with every bound an unattended station needs, on GNU libmicrohttpd's own
// thread: headers bounded in size (per-connection memory) and count, no request body at all, a
// whole request within a few seconds of connecting or of the last answer (slow and idle
// connections are closed), and a bounded number of connections, overall and per client address,
// refused when accepted. A sorter may name a client trusted (no bound per address) or a stranger
// (all strangers share a small bound): loopback has millions of addresses.
// The handler runs on the service's thread, one request at a time, and must not block; what it
// throws becomes a 500. Throws std::runtime_error when it cannot listen.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <vector>

struct MHD_Daemon;

namespace dopplex::headless {

struct HttpRequest {
    std::string method;
    std::string path;
    std::map<std::string, std::string> query;
    std::map<std::string, std::string> headers; // names in lower case
    sockaddr_storage peer{};
    sockaddr_storage ours{}; // the address the connection came in on
};

struct HttpAnswer {
    int status = 200;
    std::string content_type = "text/plain; charset=utf-8";
    std::string body;
};

enum class PeerKind { ordinary, trusted, stranger };

struct HttpLimits {
    std::size_t connection_memory = 8 * 1024; // the request's line and headers, and the answer's
    std::size_t max_headers = 40;
    std::chrono::milliseconds whole_request{5000};
    unsigned connections = 256;
    unsigned connections_per_address = 16;
    unsigned stranger_connections = 8; // together
};

class HttpService {
public:
    using Handler = std::function<HttpAnswer(const HttpRequest&)>;
    // Runs for every connection as it is accepted, on the service's thread, before a byte is read.
    using Sorter =
        std::function<PeerKind(const sockaddr_storage& peer, const sockaddr_storage& ours)>;

    // `host` numeric or "localhost"; port 0: any free port.
    HttpService(const std::string& host, int port, Handler handler, HttpLimits limits = {},
                Sorter sorter = {});
    ~HttpService();
    HttpService(const HttpService&) = delete;
    HttpService& operator=(const HttpService&) = delete;

    int port() const { return port_; }

    struct Connection;

private:
    friend struct HttpCallbacks;
    void watch();

    Handler handler_;
    HttpLimits limits_;
    Sorter sorter_;
    sockaddr_storage ours_{};
    int port_ = 0;
    MHD_Daemon* daemon_ = nullptr;

    // The service's thread alone: the accept policy's verdict, for the connection it lets in next.
    std::string admitted_;
    PeerKind admitted_kind_ = PeerKind::ordinary;
    std::map<std::string, unsigned> per_address_;
    unsigned strangers_ = 0;

    std::mutex mutex_; // guards what follows
    std::vector<Connection*> connections_;
    bool stopping_ = false;
    std::condition_variable wake_;
    std::thread watchdog_;
};

} // namespace dopplex::headless
