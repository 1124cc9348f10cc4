#include "hamlib/line_listener.h"

#include "hamlib/peer_owner.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <tuple>
#include <unistd.h>

namespace dopplex::tracker {

namespace {

constexpr std::size_t kChunk = 4096;
// Connections taken per round of the poll loop: a flood of connects waits in the kernel's queue
// while the clients already here are served.
constexpr int kAcceptsPerRound = 8;

std::string bound_address(int fd, bool& loopback) {
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    char host[INET6_ADDRSTRLEN] = "?";
    int port = 0;
    if (address.ss_family == AF_INET6) {
        const auto& a6 = reinterpret_cast<const sockaddr_in6&>(address);
        inet_ntop(AF_INET6, &a6.sin6_addr, host, sizeof host);
        port = ntohs(a6.sin6_port);
        loopback = IN6_IS_ADDR_LOOPBACK(&a6.sin6_addr) ||
                   (IN6_IS_ADDR_V4MAPPED(&a6.sin6_addr) && a6.sin6_addr.s6_addr[12] == 127);
        std::string text = "[";
        text.append(host).append("]:").append(std::to_string(port));
        return text;
    }
    const auto& a4 = reinterpret_cast<const sockaddr_in&>(address);
    inet_ntop(AF_INET, &a4.sin_addr, host, sizeof host);
    port = ntohs(a4.sin_port);
    loopback = (ntohl(a4.sin_addr.s_addr) >> 24) == 127;
    return std::string(host) + ":" + std::to_string(port);
}

} // namespace

LineListener::LineListener(const Endpoint& endpoint, ClientAnswer answer, bool allow_other_users,
                           Refused refused)
    : answer_(std::move(answer)), allow_other_users_(allow_other_users), allow_(endpoint.allow),
      refused_(std::move(refused)) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
    addrinfo* found = nullptr;
    const std::string where = endpoint.host + ":" + std::to_string(endpoint.port);
    if (getaddrinfo(endpoint.host.c_str(), std::to_string(endpoint.port).c_str(), &hints, &found) !=
        0) {
        throw std::runtime_error("not a numeric address: " + endpoint.host);
    }
    listen_fd_ = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const int on = 1;
    const bool ok = listen_fd_ >= 0 &&
                    setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
                    bind(listen_fd_, found->ai_addr, found->ai_addrlen) == 0 &&
                    listen(listen_fd_, SOMAXCONN) == 0;
    const std::string reason = std::strerror(errno);
    freeaddrinfo(found);
    if (!ok) {
        if (listen_fd_ >= 0) {
            close(listen_fd_);
        }
        throw std::runtime_error("cannot listen on " + where + ": " + reason);
    }
    address_ = bound_address(listen_fd_, loopback_);
}

LineListener::~LineListener() {
    for (const auto& [fd, client] : clients_) {
        close(fd);
    }
    close(listen_fd_);
}

void LineListener::add_poll_fds(std::vector<pollfd>& fds) const {
    fds.push_back({listen_fd_, POLLIN, 0});
    for (const auto& [fd, client] : clients_) {
        fds.push_back({fd, static_cast<short>(client.out.empty() ? POLLIN : POLLOUT), 0});
    }
}

void LineListener::serve(const std::vector<pollfd>& fds) {
    for (const pollfd& p : fds) {
        if (p.revents == 0) {
            continue;
        }
        if (p.fd == listen_fd_) {
            accept_clients();
            continue;
        }
        const auto found = clients_.find(p.fd);
        if (found == clients_.end()) {
            continue;
        }
        Client& client = found->second;
        const bool ok = client.out.empty() ? receive(p.fd, client) : flush(p.fd, client);
        if (!ok || (client.closing && client.out.empty())) {
            drop(p.fd);
        }
    }
}

void LineListener::accept_clients() {
    for (int round = 0; round < kAcceptsPerRound; ++round) {
        sockaddr_storage peer{};
        socklen_t size = sizeof peer;
        const int fd = accept4(listen_fd_, reinterpret_cast<sockaddr*>(&peer), &size,
                               SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            return;
        }
        if (!welcome(fd, peer)) {
            close(fd);
        }
    }
}

bool LineListener::welcome(int fd, const sockaddr_storage& peer) {
    const auto now = std::chrono::steady_clock::now();
    if (!allowed(allow_, peer)) {
        // What the client sent already is read first: closing on unread bytes would reset the
        // connection and lose the answer.
        char unread[kChunk];
        (void)!recv(fd, unread, sizeof unread, MSG_DONTWAIT);
        send(fd, kReplyRejected, std::strlen(kReplyRejected), MSG_NOSIGNAL);
        const std::string who = peer_text(peer);
        if (refused_ &&
            (who != last_refused_ || now - last_refused_at_ >= std::chrono::minutes(1))) {
            refused_(address_ + " refused " + who + ": not in its allow list");
            last_refused_ = who;
            last_refused_at_ = now;
        }
        return false;
    }
    sockaddr_storage ours{};
    socklen_t size = sizeof ours;
    getsockname(fd, reinterpret_cast<sockaddr*>(&ours), &size);
    const std::optional<uid_t> owner = local_peer_owner(peer, ours);
    if (!allow_other_users_ && owner && *owner != getuid()) {
        tell_refused(address_ + " refused " + peer_text(peer) + ": another user of this machine",
                     now);
        return false;
    }
    const bool owners = owner && *owner == getuid();
    if (clients_.size() >= kMaxClients) {
        drop_hung_up();
    }
    if (clients_.size() >= kMaxClients) {
        const auto freed = place_to_free(owners);
        if (freed == clients_.end()) {
            tell_refused(address_ + " refused " + peer_text(peer) + ": all " +
                             std::to_string(kMaxClients) +
                             " places are held by its owner's clients",
                         now);
            return false;
        }
        tell_refused(address_ + " pushed out a client of " + client_text(freed->first) +
                         " for one of " + peer_text(peer) + ": all " + std::to_string(kMaxClients) +
                         " places were taken",
                     now);
        drop(freed->first);
    }
    Client& client = clients_[fd];
    client.active = now;
    client.owners = owners;
    client.answer = answer_();
    return true;
}

std::string LineListener::client_text(int fd) {
    sockaddr_storage theirs{};
    socklen_t size = sizeof theirs;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&theirs), &size) != 0) {
        return "an address it cannot name";
    }
    return peer_text(theirs);
}

// A refusal or a push-out: the first of a burst is told at once; those after it within a minute are
// counted and told with the next one after that minute.
void LineListener::tell_refused(const std::string& why, std::chrono::steady_clock::time_point now) {
    if (!refused_) {
        return;
    }
    if (burst_told_ && now - burst_told_at_ < std::chrono::minutes(1)) {
        ++untold_;
        return;
    }
    refused_(why + (untold_ > 0
                        ? " (and " + std::to_string(untold_) + " more refused or pushed out before)"
                        : std::string()));
    burst_told_ = true;
    burst_told_at_ = now;
    untold_ = 0;
}

bool LineListener::receive(int fd, Client& client) {
    char chunk[kChunk];
    const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        return true;
    }
    if (n <= 0) {
        return false;
    }
    client.in.append(chunk, static_cast<std::size_t>(n));
    std::size_t start = 0;
    for (std::size_t end;
         !client.closing && (end = client.in.find_first_of("\r\n", start)) != std::string::npos;
         start = end + 1) {
        const bool skip = client.after_cr && end == start && client.in[end] == '\n';
        client.after_cr = client.in[end] == '\r';
        if (skip) {
            continue;
        }
        if (end - start > kMaxLineBytes) {
            return false;
        }
        client.spoke = true;
        client.active = std::chrono::steady_clock::now();
        HamlibReply reply = client.answer(std::string_view(client.in).substr(start, end - start));
        client.out += reply.text;
        client.closing = reply.close;
    }
    client.in.erase(0, start);
    if (client.in.size() > kMaxLineBytes) {
        return false;
    }
    return flush(fd, client);
}

bool LineListener::flush(int fd, Client& client) {
    if (client.out.empty()) {
        return true;
    }
    const ssize_t n = send(fd, client.out.data(), client.out.size(), MSG_NOSIGNAL);
    if (n < 0) {
        return errno == EAGAIN || errno == EINTR;
    }
    client.out.erase(0, static_cast<std::size_t>(n));
    return true;
}

// Clients that have gone but were not served since: a burst of short connections leaves
// many, and they must not hold places that a newcomer needs.
void LineListener::drop_hung_up() {
    std::vector<pollfd> fds;
    for (const auto& [fd, client] : clients_) {
        fds.push_back({fd, POLLRDHUP, 0});
    }
    if (poll(fds.data(), fds.size(), 0) <= 0) {
        return;
    }
    for (const pollfd& p : fds) {
        if ((p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) {
            drop(p.fd);
        }
    }
}

LineListener::Clients::iterator LineListener::place_to_free(bool newcomer_owners) {
    // Others' clients before the owner's, then silent ones, then the one whose last line is oldest.
    const auto rank = [](const Client& c) { return std::tuple{c.owners, c.spoke, c.active}; };
    auto chosen = clients_.begin();
    for (auto i = clients_.begin(); i != clients_.end(); ++i) {
        if (rank(i->second) < rank(chosen->second)) {
            chosen = i;
        }
    }
    if (chosen != clients_.end() && chosen->second.owners && !newcomer_owners) {
        return clients_.end();
    }
    return chosen;
}

void LineListener::drop(int fd) {
    close(fd);
    clients_.erase(fd);
}

} // namespace dopplex::tracker
