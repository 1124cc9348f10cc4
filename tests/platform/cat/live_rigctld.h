// What the process tests need around a real `rigctld -m 1` (Hamlib's dummy rig): the daemon on a
// free loopback port, a second client that turns the knob and reads the rig, and a proxy that
// delays both ways.
#pragma once

#include "live_side.h"

#include <sys/types.h>

#include <atomic>
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

} // namespace dopplex::test
