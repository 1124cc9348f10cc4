// TcpLink on Winsock under Wine against a Linux `rigctld -m 1`, whose port scripts/test-windows
// passes in DOPPLEX_RIGCTLD_PORT: a client of its own and a CAT side set and read the rig, and the
// side says so when the daemon is absent or drops the connection.
#include "core/cat/linear_target.h"
#include "live_side.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>

namespace dopplex::test {
namespace {

int rigctld_port() {
    const char* port = std::getenv("DOPPLEX_RIGCTLD_PORT");
    if (port == nullptr) {
        throw std::runtime_error("DOPPLEX_RIGCTLD_PORT is not set (scripts/test-windows starts "
                                 "rigctld -m 1 and sets it)");
    }
    return std::stoi(port);
}

// One command line over a TcpLink of its own: the answer's first line, or how the link ended.
std::string ask_once(int port, const std::string& line) {
    std::promise<std::string> answer;
    std::string got;
    bool told = false; // the reader thread's own
    TcpLink link(
        "127.0.0.1", port,
        [&](std::string bytes) {
            got += bytes;
            const std::size_t end = got.find('\n');
            if (!told && end != std::string::npos) {
                told = true;
                answer.set_value(got.substr(0, end));
            }
        },
        [&](std::string why) {
            if (!told) {
                told = true;
                answer.set_value("ended: " + why);
            }
        });
    std::future<std::string> result = answer.get_future();
    link.open();
    link.send(line + "\n");
    if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        return "no answer in 10 s";
    }
    return result.get();
}

// rigctld now and then closes a new connection before answering (under load): ask again, the
// commands set absolute values.
std::string ask(int port, const std::string& line) {
    std::string answer;
    for (int attempt = 0; attempt < 5; ++attempt) {
        answer = ask_once(port, line);
        if (answer.rfind("ended: ", 0) != 0) {
            break;
        }
    }
    return answer;
}

// A listening socket on a free loopback port that takes one client and ends its sending at once,
// as a daemon that goes away would.
class Dropping {
public:
    Dropping() {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
            throw std::runtime_error("no Winsock");
        }
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener_, 1) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("the stand-in cannot listen");
        }
        port_ = ntohs(address.sin_port);
    }
    ~Dropping() {
        stop_listening();
        if (dropper_.joinable()) {
            dropper_.join();
        }
        closesocket(client_);
        WSACleanup();
    }
    int port() const { return port_; }
    void drop_the_first_client() {
        dropper_ = std::thread([this] {
            client_ = accept(listener_, nullptr, nullptr);
            shutdown(client_, SD_SEND);
        });
    }
    // Nothing listens on the port afterwards.
    void stop_listening() {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
    }

private:
    SOCKET listener_ = INVALID_SOCKET;
    SOCKET client_ = INVALID_SOCKET;
    int port_ = 0;
    std::thread dropper_;
};

// The side's first report with `words`, waited for up to 10 s.
std::string first_report(Following& side, const std::string& words) {
    for (int i = 0; i < 1000; ++i) {
        const std::string found = side.live.engine.on_engine([&] {
            for (const std::string& r : side.seen.reports) {
                if (r.find(words) != std::string::npos) {
                    return r;
                }
            }
            return std::string();
        });
        if (!found.empty()) {
            return found;
        }
        sleep_ms(10);
    }
    return "no report with \"" + words + "\" in 10 s";
}

TEST(WinsockLink, SetsAndReadsTheRigThroughRigctld) {
    const int port = rigctld_port();
    EXPECT_EQ(ask(port, "F 145900000"), "RPRT 0");
    EXPECT_EQ(ask(port, "f"), "145900000");

    Engine engine;
    LinearTarget target(0, 1'000'000'000);
    Following rx(engine, at(port), target);
    rx.settle();
    EXPECT_EQ(ask(port, "f"), "437800000");
    EXPECT_EQ(rx.status(), "setting through 127.0.0.1:" + std::to_string(port));
}

TEST(WinsockLink, TheSideSaysWhyTheDaemonIsGone) {
    struct Row {
        const char* name;
        bool listening;     // else nothing listens on the port
        const char* report; // up to the reason
        const char* reason; // any words of the system's when empty
    } rows[] = {
        {"daemon absent", false, "no connection to 127.0.0.1:PORT: ", ""},
        {"dropped connection", true, "connection to 127.0.0.1:PORT lost: ", "closed by the daemon"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Dropping daemon;
        const int port = daemon.port();
        if (row.listening) {
            daemon.drop_the_first_client();
        } else {
            daemon.stop_listening();
        }
        Engine engine;
        LinearTarget target(0, 1'000'000'000);
        Following rx(engine, at(port), target);
        std::string expected = row.report;
        expected.replace(expected.find("PORT"), 4, std::to_string(port));
        const std::string report = first_report(rx, row.listening ? " lost: " : "no connection");
        ASSERT_EQ(report.rfind(expected, 0), 0u) << report;
        const std::string tail = "; trying again in 1 s";
        ASSERT_GT(report.size(), expected.size() + tail.size()) << report;
        ASSERT_EQ(report.substr(report.size() - tail.size()), tail) << report;
        const std::string reason =
            report.substr(expected.size(), report.size() - expected.size() - tail.size());
        if (*row.reason) {
            EXPECT_EQ(reason, row.reason);
        } else {
            EXPECT_NE(reason.rfind("error ", 0), 0u) << "no words from the system: " << reason;
        }
    }
}

} // namespace
} // namespace dopplex::test
