#include "link/socket/link_server.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include "link/socket/frame_parser.h"
#include "link/socket/unix_socket.h"

namespace dopplex::link {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxClients = 16;
constexpr std::size_t kAcceptsPerTurn = 32;
constexpr std::size_t kChunk = 4096;
// Room for a few of the largest answers (a DATA block of 64 KiB); more unread means the client
// does not read at all.
constexpr std::size_t kMaxPendingBytes = 256 * 1024;
constexpr auto kConnectWithin = std::chrono::milliseconds(1000);

} // namespace

struct LinkServer::Client {
    int fd;
    Clock::time_point connect_deadline;
    FrameParser parser;
    bool conversing = false;
    std::set<std::string> advised;
    std::string pending; // answers the client has not taken yet
};

LinkServer::LinkServer(std::string socket_path, std::string service, std::string topic,
                       LinkServerOptions options)
    : path_(std::move(socket_path)), service_(std::move(service)), topic_(std::move(topic)),
      options_(options) {}

LinkServer::~LinkServer() {
    stop();
}

void LinkServer::start() {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path_.size() >= sizeof address.sun_path) {
        throw std::runtime_error("Socket path too long: " + path_);
    }
    std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
    const int probe = connect_unix(path_);
    if (probe >= 0) {
        close(probe);
        throw std::runtime_error("Another tracker already serves " + path_);
    }
    unlink(path_.c_str());
    // Non-blocking, so the accept loop ends when the backlog is empty.
    listen_fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listen_fd_ < 0 ||
        bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        chmod(path_.c_str(), 0600) != 0 || listen(listen_fd_, 8) != 0 ||
        pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        const std::string reason = std::strerror(errno);
        stop();
        throw std::runtime_error("Cannot serve " + path_ + ": " + reason);
    }
    thread_ = std::thread(&LinkServer::serve, this);
}

void LinkServer::set_item(const std::string& item, std::string bytes) {
    std::lock_guard lock(mutex_);
    auto found = items_.find(item);
    if (found != items_.end() && found->second == bytes) {
        return;
    }
    items_[item] = std::move(bytes);
    changed_.insert(item);
    if (wake_[1] >= 0) {
        [[maybe_unused]] const ssize_t n = write(wake_[1], "c", 1);
    }
}

void LinkServer::stop() {
    stop_ = true;
    if (wake_[1] >= 0) {
        [[maybe_unused]] const ssize_t n = write(wake_[1], "s", 1);
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    for (auto& [fd, client] : clients_) {
        if (client->conversing) {
            answer(*client, "BYE\n"); // after any answer still queued, never inside one
        }
        close(fd);
    }
    clients_.clear();
    conversations_ = 0;
    if (listen_fd_ >= 0) {
        close(listen_fd_);
        unlink(path_.c_str());
        listen_fd_ = -1;
    }
    for (int& fd : wake_) {
        if (fd >= 0) {
            close(fd);
        }
        fd = -1;
    }
}

void LinkServer::serve() {
    while (!stop_) {
        std::vector<pollfd> waiting{{wake_[0], POLLIN, 0}, {listen_fd_, POLLIN, 0}};
        for (const auto& [fd, client] : clients_) {
            const short events = client->pending.empty() ? POLLIN : POLLIN | POLLOUT;
            waiting.push_back({fd, events, 0});
        }
        if (poll(waiting.data(), waiting.size(), poll_timeout_ms()) < 0) {
            continue;
        }
        if (waiting[0].revents != 0) {
            char drain[64];
            while (read(wake_[0], drain, sizeof drain) > 0) {
            }
            notify_changes();
        }
        for (std::size_t i = 2; i < waiting.size(); ++i) {
            auto found = clients_.find(waiting[i].fd);
            if (waiting[i].revents == 0 || found == clients_.end()) {
                continue;
            }
            Client& client = *found->second;
            const bool keep = ((waiting[i].revents & POLLOUT) == 0 || flush(client)) &&
                              ((waiting[i].revents & ~POLLOUT) == 0 || handle(client));
            if (!keep) {
                drop(client.fd);
            }
        }
        // After the clients' lines, so a newcomer never evicts one whose CONNECT just came in.
        if (waiting[1].revents != 0) {
            accept_clients();
        }
        drop_late_clients();
    }
}

// Until the earliest CONNECT deadline, or no limit.
int LinkServer::poll_timeout_ms() const {
    std::optional<Clock::time_point> earliest;
    for (const auto& [fd, client] : clients_) {
        if (!client->conversing && (!earliest || client->connect_deadline < *earliest)) {
            earliest = client->connect_deadline;
        }
    }
    if (!earliest) {
        return -1;
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(*earliest - Clock::now()).count();
    return static_cast<int>(std::max<long long>(left, 0));
}

// Takes the backlog each turn, so a burst of silent clients cannot fill it for the window; the
// bound keeps a connect flood from starving the clients already in.
void LinkServer::accept_clients() {
    for (std::size_t taken = 0; taken < kAcceptsPerTurn; ++taken) {
        const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            return;
        }
        admit(fd);
    }
}

void LinkServer::admit(int fd) {
    if (!peer_is_same_user(fd) || (clients_.size() >= kMaxClients && !drop_oldest_unconnected())) {
        close(fd);
        return;
    }
    auto client = std::make_unique<Client>();
    client->fd = fd;
    client->connect_deadline = Clock::now() + kConnectWithin;
    clients_[fd] = std::move(client);
}

// Makes room for a newcomer, which may be the window, at the cost of a client that is silent.
bool LinkServer::drop_oldest_unconnected() {
    const Client* oldest = nullptr;
    for (const auto& [fd, client] : clients_) {
        if (!client->conversing &&
            (oldest == nullptr || client->connect_deadline < oldest->connect_deadline)) {
            oldest = client.get();
        }
    }
    if (oldest == nullptr) {
        return false;
    }
    drop(oldest->fd);
    return true;
}

void LinkServer::drop_late_clients() {
    const auto now = Clock::now();
    std::vector<int> late;
    for (const auto& [fd, client] : clients_) {
        if (!client->conversing && client->connect_deadline <= now) {
            late.push_back(fd);
        }
    }
    for (int fd : late) {
        drop(fd);
    }
}

void LinkServer::drop(int fd) {
    const auto found = clients_.find(fd);
    if (found->second->conversing) {
        --conversations_;
    }
    close(fd);
    clients_.erase(found);
}

// Reads what the client sent and answers it; false when the client must go.
bool LinkServer::handle(Client& client) {
    char chunk[kChunk];
    const ssize_t n = recv(client.fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        return true;
    }
    if (n <= 0) {
        return false;
    }
    client.parser.feed(chunk, static_cast<std::size_t>(n));
    Frame frame;
    for (;;) {
        const FrameParser::Status status = client.parser.next(frame);
        if (status == FrameParser::Status::NeedMore) {
            return true;
        }
        if (status == FrameParser::Status::Malformed) {
            return false;
        }
        const std::vector<std::string>& w = frame.words;
        std::string reply;
        if (w[0] == "BYE") {
            return false;
        }
        if (!client.conversing) {
            if (w.size() != 3 || w[0] != "CONNECT") {
                return false;
            }
            const bool accepted =
                !options_.refuse_connections && w[1] == service_ && w[2] == topic_;
            if (!answer(client, accepted ? "CONNECTED\n" : "REFUSED\n") || !accepted) {
                return false;
            }
            client.conversing = true;
            ++conversations_;
            continue;
        }
        if (w.size() != 3) {
            continue;
        }
        std::lock_guard lock(mutex_);
        const auto item = items_.find(w[2]);
        const bool known = item != items_.end();
        if (w[0] == "ADVSTART") {
            const bool ok = known && !options_.refuse_subscriptions;
            if (ok) {
                client.advised.insert(w[2]);
            }
            reply = frame_line({ok ? "ACK" : "NACK", w[1]});
        } else if (w[0] == "ADVSTOP") {
            reply = frame_line({client.advised.erase(w[2]) > 0 ? "ACK" : "NACK", w[1]});
        } else if (w[0] == "REQUEST" && !options_.ignore_requests) {
            reply = known ? frame_line({"DATA", w[1], std::to_string(item->second.size())}) +
                                item->second + "\n"
                          : frame_line({"NACK", w[1]});
        }
        if (!reply.empty() && !answer(client, reply)) {
            return false;
        }
    }
}

// Queues bytes for the client and sends what its socket takes now; false when the client must go.
bool LinkServer::answer(Client& client, const std::string& bytes) {
    client.pending += bytes;
    return flush(client) && client.pending.size() <= kMaxPendingBytes;
}

bool LinkServer::flush(Client& client) {
    std::size_t sent = 0;
    while (sent < client.pending.size()) {
        const ssize_t n = send(client.fd, client.pending.data() + sent,
                               client.pending.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno == EAGAIN) {
            break;
        }
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    client.pending.erase(0, sent);
    return true;
}

void LinkServer::notify_changes() {
    std::set<std::string> changed;
    {
        std::lock_guard lock(mutex_);
        changed.swap(changed_);
    }
    std::vector<int> gone;
    for (const auto& [fd, client] : clients_) {
        for (const std::string& item : changed) {
            if (client->advised.count(item) > 0 &&
                !answer(*client, frame_line({"CHANGED", item}))) {
                gone.push_back(fd);
                break;
            }
        }
    }
    for (int fd : gone) {
        drop(fd);
    }
}

} // namespace dopplex::link
