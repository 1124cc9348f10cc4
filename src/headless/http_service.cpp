#include "http_service.h"

#include <microhttpd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <stdexcept>
#include <unistd.h>

namespace dopplex::headless {

using Clock = std::chrono::steady_clock;

// One client connection: closed by the watchdog when its deadline passes. No deadline while a
// request is being answered.
struct HttpService::Connection {
    int fd = -1;
    std::optional<Clock::time_point> deadline;
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
    if (!response)
        return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, answer.content_type.c_str());
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    MHD_add_response_header(response, "Referrer-Policy", "no-referrer");
    const MHD_Result queued =
        MHD_queue_response(connection, static_cast<unsigned>(answer.status), response);
    MHD_destroy_response(response);
    return queued;
}

sockaddr_storage address_of(const sockaddr* address) {
    sockaddr_storage copy{};
    if (address)
        std::memcpy(&copy, address,
                    address->sa_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in));
    return copy;
}

// Binds here rather than in the library, so that a bad address or a busy port is our message.
int listening_socket(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | AI_PASSIVE | (host == "localhost" ? 0 : AI_NUMERICHOST);
    addrinfo* found = nullptr;
    const std::string where = host + ":" + std::to_string(port);
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        throw std::runtime_error("the page cannot listen on " + where + ": not an address");
    const int fd = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const int on = 1;
    const bool ok = fd >= 0 && setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
                    bind(fd, found->ai_addr, found->ai_addrlen) == 0 && listen(fd, SOMAXCONN) == 0;
    const std::string reason = std::strerror(errno);
    freeaddrinfo(found);
    if (!ok) {
        if (fd >= 0)
            close(fd);
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

    static void notify(void* cls, MHD_Connection* connection, void** socket_context,
                       MHD_ConnectionNotificationCode code) {
        auto& service = *static_cast<HttpService*>(cls);
        const std::lock_guard lock(service.mutex_);
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            const MHD_ConnectionInfo* info =
                MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
            auto* ours = new HttpService::Connection{info ? info->connect_fd : -1,
                                                     Clock::now() + service.limits_.whole_request};
            service.connections_.push_back(ours);
            *socket_context = ours;
        } else if (auto* ours = static_cast<HttpService::Connection*>(*socket_context)) {
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
                connection, MHD_HEADER_KIND, nullptr, nullptr)) > service.limits_.max_headers)
            return send(connection, {431, "text/plain; charset=utf-8", kTooManyHeaders});
        MHD_get_connection_values(connection, MHD_HEADER_KIND, collect, &request.headers);
        MHD_get_connection_values(connection, MHD_GET_ARGUMENT_KIND, collect, &request.query);
        const auto length = request.headers.find("content-length");
        if (request.headers.count("transfer-encoding") ||
            (length != request.headers.end() && length->second != "0"))
            return send(connection, {413, "text/plain; charset=utf-8", kNoBody});
        const MHD_ConnectionInfo* peer =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
        request.peer = address_of(peer ? peer->client_addr : nullptr);
        const MHD_ConnectionInfo* fd =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        if (fd) {
            socklen_t size = sizeof request.ours;
            getsockname(fd->connect_fd, reinterpret_cast<sockaddr*>(&request.ours), &size);
        }
        try {
            return send(connection, service.handler_(request));
        } catch (const std::exception& error) {
            return send(connection,
                        {500, "text/plain; charset=utf-8", error.what() + std::string("\n")});
        }
    }
};

HttpService::HttpService(const std::string& host, int port, Handler handler, HttpLimits limits)
    : handler_(std::move(handler)), limits_(limits) {
    const int fd = listening_socket(host, port);
    port_ = bound_port(fd);
    const auto idle_s = static_cast<unsigned>(
        std::chrono::ceil<std::chrono::seconds>(limits_.whole_request).count());
    daemon_ = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL, 0, nullptr, nullptr,
        &HttpCallbacks::access, this, MHD_OPTION_LISTEN_SOCKET, fd,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, limits_.connection_memory, MHD_OPTION_CONNECTION_LIMIT,
        limits_.connections, MHD_OPTION_PER_IP_CONNECTION_LIMIT, limits_.connections_per_address,
        MHD_OPTION_CONNECTION_TIMEOUT, idle_s, MHD_OPTION_NOTIFY_CONNECTION, &HttpCallbacks::notify,
        this, MHD_OPTION_NOTIFY_COMPLETED, &HttpCallbacks::completed, this, MHD_OPTION_END);
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
