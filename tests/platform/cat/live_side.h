// An engine thread that runs CAT sides in real time, each over a TcpLink (POSIX or Winsock), and
// a side that follows a target there and keeps what it reports.
#pragma once

#include "cat/cat_side.h"
#include "cat/tcp_link.h"
#include "runtime/event_loop.h"
#include "runtime/real_host.h"

#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace dopplex::test {

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

void sleep_ms(int ms);

// rigctld (or a stand-in) on this machine's loopback.
inline CatAddress at(int port, std::string vfo = "") {
    return {"127.0.0.1", port, std::move(vfo)};
}

// What a side reports, in order.
struct Seen : CatObserver {
    void cat_report(Side, const std::string& line) override { reports.push_back(line); }
    int reports_with(const std::string& words) const {
        int n = 0;
        for (const std::string& r : reports) {
            n += r.find(words) != std::string::npos;
        }
        return n;
    }
    std::vector<std::string> reports;
};

// A side following `target` through `address`, started on the engine.
struct Following {
    Following(Engine& engine, const CatAddress& address, SideTarget& target, Side s = Side::Rx)
        : live(engine, s, address, target) {
        engine.on_engine([this] {
            live.side->add_observer(&seen);
            live.side->follow();
        });
    }
    std::string status() {
        return live.engine.on_engine([this] { return live.side->status(); });
    }
    // Until the side has set its first frequency: a loaded machine may take a while.
    void settle();
    int reports_with(const std::string& words) {
        return live.engine.on_engine([&] { return seen.reports_with(words); });
    }
    Seen seen;
    LiveSide live;
};

} // namespace dopplex::test
