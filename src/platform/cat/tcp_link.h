// rigctld's TCP connection for a CAT side (POSIX sockets; Winsock in tcp_link_win32.cpp):
// connects within a bounded wait, sends without delay (each set and readback is a few bytes and
// must not wait for the next), and reads on a thread of its own. What arrives and the
// connection's end go to callbacks on that thread, which post them to the engine's queue. open,
// send and close on the engine thread; they raise std::runtime_error with the system's reason.
#pragma once

#include "cat/side_target.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <utility>

namespace dopplex {

class TcpLink : public CatLink {
public:
    using Bytes = std::function<void(std::string)>;
    using Ended = std::function<void(std::string)>;

    TcpLink(std::string host, int port, Bytes on_bytes, Ended on_end)
        : host_(std::move(host)), port_(port), on_bytes_(std::move(on_bytes)),
          on_end_(std::move(on_end)) {}
    ~TcpLink() override { close(); }
    TcpLink(const TcpLink&) = delete;
    TcpLink& operator=(const TcpLink&) = delete;

    void open() override;
    void send(const std::string& bytes) override;
    void close() override;

    static constexpr int kConnectMs = 2000;

private:
    std::string host_;
    int port_;
    Bytes on_bytes_;
    Ended on_end_;
#ifdef _WIN32
    // A SOCKET, the event that ends the reader and the socket's own event (HANDLEs), kept free
    // of <winsock2.h>.
    void read_loop(std::uintptr_t socket, void* stop, void* ready);
    std::uintptr_t socket_ = ~std::uintptr_t{0};
    void* stop_ = nullptr;
    void* ready_ = nullptr;
#else
    void read_loop(int fd, int wake);
    int fd_ = -1;
    int wake_[2] = {-1, -1};
#endif
    std::thread reader_;
};

} // namespace dopplex
