// What the process tests need around a real `rigctld -m 1` (Hamlib's dummy rig): the daemon on a
// free loopback port, a second client that turns the knob and reads the rig, a proxy that
// delays both ways, and an engine thread that runs CAT sides in real time.
#pragma once

#include "cat/cat_side.h"
#include "cat/tcp_link.h"
#include "runtime/event_loop.h"
#include "runtime/real_host.h"

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>

namespace dopplex::test {

// A port on 127.0.0.1 that nothing listens on just now.
int free_loopback_port();

class Rigctld {
public:
    // `vfo_mode`: started with --vfo, so each command names its VFO.
    explicit Rigctld(bool vfo_mode = false, int port = 0);
    ~Rigctld();
    void kill();
    int port() const { return port_; }

private:
    bool start(bool vfo_mode);
    int port_ = 0;
    pid_t pid_ = -1;
};

// One command line to the daemon and its answer's first line ("F 437801000" -> "RPRT 0").
std::string ask(int port, const std::string& line);

// Forwards one connection to `to_port`, each byte delayed by `each_way_ms` either way.
class DelayingProxy {
public:
    DelayingProxy(int to_port, int each_way_ms);
    ~DelayingProxy();
    int port() const { return port_; }

private:
    int listen_fd_ = -1;
    int port_ = 0;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

// The engine thread and what runs on it.
class Engine {
public:
    Engine();
    ~Engine();
    std::int64_t now() { return host_.now(); }
    EventLoop& loop() { return loop_; }
    // Runs `action` on the engine thread and returns what it returns.
    template <class F> auto on_engine(F action) -> decltype(action()) {
        using R = decltype(action());
        auto task = std::make_shared<std::packaged_task<R()>>(std::move(action));
        auto result = task->get_future();
        loop_.post(EventKind::Control, [task] { (*task)(); });
        return result.get();
    }

private:
    RealHost host_;
    EventLoop loop_{host_};
    std::thread thread_;
};

// A CAT side over TCP whose link posts what arrives to the engine's queue.
struct LiveSide {
    LiveSide(Engine& engine, Side side, const CatAddress& address, SideTarget& target);
    ~LiveSide();
    Engine& engine;
    std::unique_ptr<TcpLink> link;
    std::unique_ptr<CatSide> side;
};

} // namespace dopplex::test
