// A scripted transport and launcher that log every call into one shared trace.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "tracker/link/link_transport.h"

namespace dopplex::test {

struct Trace {
    std::vector<std::string> lines;
    void add(std::string line) { lines.push_back(std::move(line)); }
};

class FakeTransport : public LinkTransport {
public:
    explicit FakeTransport(Trace& trace) : trace_(trace) {}

    std::deque<bool> connect_results;
    bool subscribe_result = true;
    std::deque<std::optional<std::string>> request_results;
    LinkListener* listener = nullptr;

    void set_listener(LinkListener* l) override { listener = l; }
    bool connect(const std::string& service, const std::string& topic) override {
        bool ok = false;
        if (!connect_results.empty()) {
            ok = connect_results.front();
            connect_results.pop_front();
        }
        trace_.add("connect " + service + " " + topic + (ok ? " ok" : " fail"));
        connected_ = ok;
        return ok;
    }
    bool connected() const override { return connected_; }
    bool subscribe(const std::string& item, int timeout_ms) override {
        trace_.add("subscribe " + item + " " + std::to_string(timeout_ms) +
                   (subscribe_result ? " ok" : " refused"));
        return subscribe_result;
    }
    std::optional<std::string> request(const std::string& item, int timeout_ms) override {
        std::optional<std::string> result;
        if (!request_results.empty()) {
            result = request_results.front();
            request_results.pop_front();
        }
        trace_.add("request " + item + " " + std::to_string(timeout_ms) +
                   (result ? " data" : " none"));
        return result;
    }
    void disconnect() override {
        trace_.add("disconnect");
        connected_ = false;
    }
    void interrupt() override { trace_.add("interrupt"); }

private:
    Trace& trace_;
    bool connected_ = false;
};

class FakeLauncher : public Launcher {
public:
    explicit FakeLauncher(Trace& trace) : trace_(trace) {}
    int result = 33;
    int launch(const std::string& command_line) override {
        trace_.add("launch " + command_line);
        return result;
    }

private:
    Trace& trace_;
};

} // namespace dopplex::test
