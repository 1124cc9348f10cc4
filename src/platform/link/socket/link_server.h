// The server side of the local link protocol (docs/link-protocol.md): serves the items of one
// service and topic to the clients of its socket, answers subscriptions and requests, and sends
// each subscriber a change notice when an item's bytes change. One thread does all socket work;
// set_item() may be called from any thread. Used by dopplex-tracker and by tests.
// No client can hold the others up: writes never block (a client whose unread answers outgrow
// its buffer is dropped), and a client that has not said CONNECT within a second is dropped, or
// sooner when a newcomer needs its place.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace dopplex::link {

struct LinkServerOptions {
    bool refuse_connections = false;   // answer CONNECT with REFUSED
    bool refuse_subscriptions = false; // answer ADVSTART with NACK
    bool ignore_requests = false;      // never answer REQUEST
};

class LinkServer {
public:
    LinkServer(std::string socket_path, std::string service, std::string topic,
               LinkServerOptions options = {});
    ~LinkServer();
    LinkServer(const LinkServer&) = delete;
    LinkServer& operator=(const LinkServer&) = delete;

    // Binds the socket (replacing a stale one) and starts serving; throws std::runtime_error
    // when another server answers on it or the socket cannot be made.
    void start();
    // Stores the item's bytes; subscribers get a change notice only when they differ.
    void set_item(const std::string& item, std::string bytes);
    // Says BYE to every client, closes them and removes the socket.
    void stop();
    // Clients that completed CONNECT.
    std::size_t conversations() const { return conversations_.load(); }

private:
    struct Client;
    void serve();
    int poll_timeout_ms() const;
    void accept_clients();
    void admit(int fd);
    bool drop_oldest_unconnected();
    void drop_late_clients();
    void drop(int fd);
    bool handle(Client& client);
    bool answer(Client& client, const std::string& bytes);
    bool flush(Client& client);
    void notify_changes();

    std::string path_;
    std::string service_;
    std::string topic_;
    LinkServerOptions options_;
    int listen_fd_ = -1;
    int wake_[2] = {-1, -1};
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<std::size_t> conversations_{0};
    std::mutex mutex_;
    std::map<std::string, std::string> items_;
    std::set<std::string> changed_;
    std::map<int, std::unique_ptr<Client>> clients_;
};

} // namespace dopplex::link
