// The owner of one accepted loopback connection while this process holds range(0) other loopback
// connections: the time per lookup should not grow with them.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "hamlib/peer_owner.h"

namespace {

struct Loopback {
    Loopback() {
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof at;
        listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (bind(listener, reinterpret_cast<sockaddr*>(&at), size) != 0 || listen(listener, 64) ||
            getsockname(listener, reinterpret_cast<sockaddr*>(&at), &size) != 0) {
            throw std::runtime_error("no loopback listener");
        }
        to = at;
    }
    ~Loopback() {
        for (const int fd : held) {
            close(fd);
        }
        close(listener);
    }
    // A connection, and the addresses of its accepted end.
    void connect_one(sockaddr_storage* peer = nullptr, sockaddr_storage* ours = nullptr) {
        const int client = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (connect(client, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
            throw std::runtime_error("no loopback connection");
        }
        sockaddr_storage from{};
        socklen_t size = sizeof from;
        const int accepted = accept4(listener, reinterpret_cast<sockaddr*>(&from), &size, 0);
        held.insert(held.end(), {client, accepted});
        if (peer) {
            *peer = from;
        }
        size = sizeof(sockaddr_storage);
        if (ours) {
            getsockname(accepted, reinterpret_cast<sockaddr*>(ours), &size);
        }
    }
    int listener = -1;
    sockaddr_in to{};
    std::vector<int> held;
};

void LookupBesideOthers(benchmark::State& state) {
    Loopback loopback;
    for (int i = 0; i < state.range(0); ++i) {
        loopback.connect_one();
    }
    sockaddr_storage peer{}, ours{};
    loopback.connect_one(&peer, &ours);
    for (auto _ : state) {
        benchmark::DoNotOptimize(dopplex::tracker::local_peer_owner(peer, ours));
    }
}
BENCHMARK(LookupBesideOthers)->Arg(0)->Arg(1000)->Arg(8000);

} // namespace

BENCHMARK_MAIN();
