// An event loop on the virtual host whose handlers log what ran and when.
#pragma once

#include "runtime/event_loop.h"
#include "runtime/virtual_host.h"

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace dopplex::test {

struct Ran {
    std::string what;
    std::int64_t t;
    bool operator==(const Ran&) const = default;
};

inline void PrintTo(const Ran& r, std::ostream* os) {
    *os << r.what << "@" << r.t;
}

struct LoopRig {
    VirtualHost host;
    EventLoop loop{host};
    std::vector<Ran> ran;

    LoopRig() {
        loop.set_tick_handler([this](int id) {
            ran.push_back({"tick" + std::to_string(id), host.now()});
        });
    }
    void log(const std::string& what) { ran.push_back({what, host.now()}); }
    // An event at `t` that logs itself and then holds the thread for `busy_ms`.
    void post(EventKind kind, const std::string& what, std::int64_t t, std::int64_t busy_ms = 0) {
        loop.post(
            kind,
            [this, what, busy_ms] {
                log(what);
                host.wait(busy_ms);
            },
            t);
    }
    void at(std::int64_t t, std::function<void()> action) {
        loop.post(EventKind::Input, std::move(action), t);
    }
    std::vector<std::string> report_texts() const {
        std::vector<std::string> texts;
        for (const auto& r : host.reports()) {
            texts.push_back(r.text);
        }
        return texts;
    }
};

} // namespace dopplex::test
