#include "http_service.h"

#include <microhttpd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <stdexcept>
#include <unistd.h>

namespace dopplex::headless {

using Clock = std::chrono::steady_clock;

// One client connection: closed by the watchdog when its deadline passes. No deadline while a
// request is being answered.
struct HttpService::Connection {
    int fd = -1;
    std::optional<Clock::time_point> deadline;
    std::string address;
    PeerKind kind = PeerKind::ordinary;
};

namespace {

const char* const kTooManyHeaders = "Too many header lines.\n";
const char* const kNoBody = "Requests here carry no body.\n";

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

MHD_Result collect(void* into, MHD_ValueKind kind, const char* key, const char* value) {
    auto& values = *static_cast<std::map<std::string, std::string>*>(into);
    const std::string name = kind == MHD_HEADER_KIND ? lower(key) : key;
    values.emplace(name, value ? value : "");
    return MHD_YES;
}

MHD_Result send(MHD_Connection* connection, const HttpAnswer& answer) {
    MHD_Response* response = MHD_create_response_from_buffer(
        answer.body.size(), const_cast<char*>(answer.body.data()), MHD_RESPMEM_MUST_COPY);
    if (!response) {
        return MHD_NO;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, answer.content_type.c_str());
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    MHD_add_response_header(response, "Referrer-Policy", "no-referrer");
    // No other site may show the page in a frame and lure a click onto its buttons. Only the
    // frame rule: the page's own script and style are inline.
    MHD_add_response_header(response, "X-Frame-Options", "DENY");
    MHD_add_response_header(response, "Content-Security-Policy", "frame-ancestors 'none'");
    const MHD_Result queued =
        MHD_queue_response(connection, static_cast<unsigned>(answer.status), response);
    MHD_destroy_response(response);
    return queued;
}

sockaddr_storage address_of(const sockaddr* address) {
    sockaddr_storage copy{};
    if (address) {
        std::memcpy(&copy, address,
                    address->sa_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in));
    }
    return copy;
}

// libmicrohttpd 1.0 answers every connection query in one union per connection, so the next query
// overwrites the last answer: each is copied out at once.
int connection_fd(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    return info ? info->connect_fd : -1;
}

sockaddr_storage client_address(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    return address_of(info ? info->client_addr : nullptr);
}

// The client's address as bytes, an IPv4-mapped one as IPv4 (one client, one count), and with the
// port when asked.
std::string address_key(const sockaddr_storage& address, bool with_port) {
    const char* bytes = nullptr;
    std::size_t size = 0;
    in_port_t port = 0;
    if (address.ss_family == AF_INET) {
        const auto& a4 = reinterpret_cast<const sockaddr_in&>(address);
        bytes = reinterpret_cast<const char*>(&a4.sin_addr);
        size = sizeof a4.sin_addr;
        port = a4.sin_port;
    } else if (address.ss_family == AF_INET6) {
        const auto& a6 = reinterpret_cast<const sockaddr_in6&>(address);
        const bool mapped = IN6_IS_ADDR_V4MAPPED(&a6.sin6_addr);
        bytes = reinterpret_cast<const char*>(&a6.sin6_addr) + (mapped ? 12 : 0);
        size = mapped ? 4 : sizeof a6.sin6_addr;
        port = a6.sin6_port;
    }
    std::string key(bytes ? bytes : "", size);
    if (with_port) {
        key.append(reinterpret_cast<const char*>(&port), sizeof port);
    }
    return key;
}

// Binds here rather than in the library, so that a bad address or a busy port is our message.
int listening_socket(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | AI_PASSIVE | (host == "localhost" ? 0 : AI_NUMERICHOST);
    addrinfo* found = nullptr;
    const std::string where = host + ":" + std::to_string(port);
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
        throw std::runtime_error("the page cannot listen on " + where + ": not an address");
    }
    const int fd = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const int on = 1;
    const bool ok = fd >= 0 && setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
                    bind(fd, found->ai_addr, found->ai_addrlen) == 0 && listen(fd, SOMAXCONN) == 0;
    const std::string reason = std::strerror(errno);
    freeaddrinfo(found);
    if (!ok) {
        if (fd >= 0) {
            close(fd);
        }
        throw std::runtime_error("the page cannot listen on " + where + ": " + reason);
    }
    return fd;
}

int bound_port(int fd) {
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    return ntohs(address.ss_family == AF_INET6
                     ? reinterpret_cast<const sockaddr_in6&>(address).sin6_port
                     : reinterpret_cast<const sockaddr_in&>(address).sin_port);
}

} // namespace

// The library's callbacks, with access to the service.
struct HttpCallbacks {
    static HttpService::Connection* connection_of(MHD_Connection* connection) {
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
        return info ? static_cast<HttpService::Connection*>(info->socket_context) : nullptr;
    }

    static void set_deadline(HttpService& service, MHD_Connection* connection,
                             std::optional<Clock::time_point> deadline) {
        if (HttpService::Connection* ours = connection_of(connection)) {
            const std::lock_guard lock(service.mutex_);
            ours->deadline = deadline;
        }
    }

    static PeerKind sort(HttpService& service, const sockaddr_storage& peer) {
        return service.sorter_ ? service.sorter_(peer, service.ours_) : PeerKind::ordinary;
    }

    // Refuses before the library takes a slot for the connection, so that no client, nor another
    // user of this machine from many loopback addresses, can fill the slots of the page's user.
    static MHD_Result admit(void* cls, const sockaddr* address, socklen_t) {
        auto& service = *static_cast<HttpService*>(cls);
        const sockaddr_storage peer = address_of(address);
        PeerKind kind = PeerKind::stranger;
        try {
            kind = sort(service, peer);
        } catch (const std::exception&) {
            return MHD_NO;
        }
        bool room = true;
        if (kind == PeerKind::stranger) {
            room = service.strangers_ < service.limits_.stranger_connections;
        } else if (kind == PeerKind::ordinary) {
            const auto held = service.per_address_.find(address_key(peer, false));
            room = held == service.per_address_.end() ||
                   held->second < service.limits_.connections_per_address;
        }
        if (!room) {
            return MHD_NO;
        }
        service.admitted_ = address_key(peer, true);
        service.admitted_kind_ = kind;
        return MHD_YES;
    }

    static void notify(void* cls, MHD_Connection* connection, void** socket_context,
                       MHD_ConnectionNotificationCode code) {
        auto& service = *static_cast<HttpService*>(cls);
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            const int fd = connection_fd(connection);
            const sockaddr_storage peer = client_address(connection);
            // The library starts each connection right after admitting it; sorting again is
            // only for a connection that came otherwise.
            PeerKind kind = service.admitted_kind_;
            if (address_key(peer, true) != service.admitted_) {
                try {
                    kind = sort(service, peer);
                } catch (const std::exception&) {
                    kind = PeerKind::stranger;
                }
            }
            service.admitted_.clear();
            auto* ours = new HttpService::Connection{
                fd, Clock::now() + service.limits_.whole_request, address_key(peer, false), kind};
            if (kind == PeerKind::stranger) {
                ++service.strangers_;
            } else if (kind == PeerKind::ordinary) {
                ++service.per_address_[ours->address];
            }
            const std::lock_guard lock(service.mutex_);
            service.connections_.push_back(ours);
            *socket_context = ours;
        } else if (auto* ours = static_cast<HttpService::Connection*>(*socket_context)) {
            if (ours->kind == PeerKind::stranger) {
                --service.strangers_;
            } else if (ours->kind == PeerKind::ordinary &&
                       --service.per_address_[ours->address] == 0) {
                service.per_address_.erase(ours->address);
            }
            const std::lock_guard lock(service.mutex_);
            std::erase(service.connections_, ours);
            delete ours;
            *socket_context = nullptr;
        }
    }

    static void completed(void* cls, MHD_Connection* connection, void**,
                          MHD_RequestTerminationCode) {
        auto& service = *static_cast<HttpService*>(cls);
        set_deadline(service, connection, Clock::now() + service.limits_.whole_request);
    }

    static MHD_Result access(void* cls, MHD_Connection* connection, const char* url,
                             const char* method, const char*, const char*, std::size_t* upload_size,
                             void** request_context) {
        auto& service = *static_cast<HttpService*>(cls);
        if (*request_context) {
            // A body arrived after all: nothing of it is kept.
            *upload_size = 0;
            return MHD_YES;
        }
        *request_context = &service;
        set_deadline(service, connection, std::nullopt);
        HttpRequest request;
        request.method = method;
        request.path = url;
        if (static_cast<std::size_t>(MHD_get_connection_values(
                connection, MHD_HEADER_KIND, nullptr, nullptr)) > service.limits_.max_headers) {
            return send(connection, {431, "text/plain; charset=utf-8", kTooManyHeaders});
        }
        MHD_get_connection_values(connection, MHD_HEADER_KIND, collect, &request.headers);
        MHD_get_connection_values(connection, MHD_GET_ARGUMENT_KIND, collect, &request.query);
        const auto length = request.headers.find("content-length");
        if (request.headers.count("transfer-encoding") ||
            (length != request.headers.end() && length->second != "0")) {
            return send(connection, {413, "text/plain; charset=utf-8", kNoBody});
        }
        request.peer = client_address(connection);
        if (const int fd = connection_fd(connection); fd >= 0) {
            socklen_t size = sizeof request.ours;
            getsockname(fd, reinterpret_cast<sockaddr*>(&request.ours), &size);
        }
        try {
            return send(connection, service.handler_(request));
        } catch (const std::exception& error) {
            return send(connection,
                        {500, "text/plain; charset=utf-8", error.what() + std::string("\n")});
        }
    }
};

HttpService::HttpService(const std::string& host, int port, Handler handler, HttpLimits limits,
                         Sorter sorter)
    : handler_(std::move(handler)), limits_(limits), sorter_(std::move(sorter)) {
    const int fd = listening_socket(host, port);
    port_ = bound_port(fd);
    socklen_t size = sizeof ours_;
    getsockname(fd, reinterpret_cast<sockaddr*>(&ours_), &size);
    const auto idle_s = static_cast<unsigned>(
        std::chrono::ceil<std::chrono::seconds>(limits_.whole_request).count());
    daemon_ = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL, 0, &HttpCallbacks::admit, this,
        &HttpCallbacks::access, this, MHD_OPTION_LISTEN_SOCKET, fd,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, limits_.connection_memory, MHD_OPTION_CONNECTION_LIMIT,
        limits_.connections, MHD_OPTION_CONNECTION_TIMEOUT, idle_s, MHD_OPTION_NOTIFY_CONNECTION,
        &HttpCallbacks::notify, this, MHD_OPTION_NOTIFY_COMPLETED, &HttpCallbacks::completed, this,
        MHD_OPTION_END);
    if (!daemon_) {
        close(fd);
        throw std::runtime_error("the page cannot start its HTTP service on " + host + ":" +
                                 std::to_string(port_));
    }
    watchdog_ = std::thread([this] { watch(); });
}

HttpService::~HttpService() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    watchdog_.join();
    MHD_stop_daemon(daemon_);
}

// Ends a connection past its deadline by shutting its socket: the library sees the end and
// closes it on its own thread. Under the lock, so the socket is still the connection's.
void HttpService::watch() {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::milliseconds(200), [this] { return stopping_; })) {
        const Clock::time_point now = Clock::now();
        for (Connection* connection : connections_) {
            if (connection->deadline && *connection->deadline <= now) {
                ::shutdown(connection->fd, SHUT_RDWR);
                connection->deadline.reset();
            }
        }
    }
}

} // namespace dopplex::headless
