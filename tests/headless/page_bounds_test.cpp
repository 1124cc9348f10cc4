// The page under requests that try to knock it over or act for a stranger: each is refused or
// cut off, and a plain status request from its user is answered all the while.
#include "held_child.h"
#include "running_daemon.h"

#include <gmock/gmock.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <grp.h>
#include <optional>

#include "loopback_socket.h"

namespace dopplex::test {
namespace {

// `count` header lines of a few bytes each.
std::string numbered_headers(int count) {
    std::string many;
    for (int i = 0; i < count; ++i) {
        many += "X-" + std::to_string(i) + ": 1\r\n";
    }
    return many;
}

int connect_to(int port) {
    const int fd = connect_loopback(port);
    EXPECT_GE(fd, 0) << "port " << port;
    return fd;
}

// Sends what it can of `request` (the service may stop reading) and returns the answer up to the
// end of the connection, or what came within 5 s.
std::string exchange(int port, const std::string& request) {
    const int fd = connect_to(port);
    for (std::size_t sent = 0; sent < request.size();) {
        const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(n);
    }
    std::string answer;
    pollfd wait{fd, POLLIN, 0};
    char chunk[4096];
    for (ssize_t n = 1; n > 0 && poll(&wait, 1, 5000) > 0;) {
        n = read(fd, chunk, sizeof chunk);
        answer.append(chunk, n > 0 ? static_cast<std::size_t>(n) : 0);
    }
    close(fd);
    return answer;
}

std::string request(const std::string& line, int port, const std::string& more = {}) {
    return line + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
           "\r\nConnection: close\r\n" + more + "\r\n";
}

std::string status_line(const std::string& answer) {
    return answer.substr(0, answer.find("\r\n"));
}

// 100 connections that send nothing and 8 that add a header byte every 300 ms.
struct Hogs {
    explicit Hogs(int port) {
        for (int i = 0; i < 100; ++i) {
            idle.push_back(connect_to(port));
        }
        for (int i = 0; i < 8; ++i) {
            trickling.push_back(connect_to(port));
            send(trickling.back(), "GET /status HTTP/1.1\r\nX-A: ", 27, MSG_NOSIGNAL);
        }
        feeder = std::thread([this] {
            while (!done) {
                for (const int fd : trickling) {
                    send(fd, "a", 1, MSG_NOSIGNAL);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
            }
        });
    }
    ~Hogs() {
        done = true;
        feeder.join();
        for (const int fd : idle) {
            close(fd);
        }
        for (const int fd : trickling) {
            close(fd);
        }
    }
    // Whether the service has closed each trickling connection.
    bool trickling_closed() const {
        for (const int fd : trickling) {
            pollfd hung{fd, POLLRDHUP, 0};
            if (poll(&hung, 1, 0) != 1) {
                return false;
            }
        }
        return true;
    }
    std::vector<int> idle, trickling;
    std::atomic<bool> done{false};
    std::thread feeder;
};

TEST(DopplexdPageBounds, RefusesWhatItMustAndStillAnswers) {
    RunningDaemon daemon("127.0.0.1", "page_names = Shack.Local\n");
    const int port = daemon.page();
    const std::string status = request("GET /status", port);
    struct Row {
        const char* what;
        std::string request;
        const char* answer; // its status line
        bool ours = true;   // not the library's own answer, which has no headers of ours
    };
    const Row rows[] = {
        {"a plain status request", status, "HTTP/1.1 200 OK"},
        {"2 MB of small headers", request("GET /status", port, numbered_headers(200000)),
         "HTTP/1.1 431 Request Header Fields Too Large", false},
        {"60 header lines", request("GET /status", port, numbered_headers(60)),
         "HTTP/1.1 431 Request Header Fields Too Large"},
        {"an action with a 64 MB body",
         request("POST /stop", port, "X-Dopplex: 1\r\nContent-Length: 67108864\r\n") +
             std::string(1 << 20, 'x'),
         "HTTP/1.1 413 Content Too Large"},
        {"a foreign Host",
         "GET /status HTTP/1.1\r\nHost: evil.example\r\nConnection: close\r\n\r\n",
         "HTTP/1.1 403 Forbidden"},
        {"Reset through a foreign Host",
         "POST /reset HTTP/1.1\r\nHost: evil.example:" + std::to_string(port) +
             "\r\nOrigin: http://evil.example\r\nX-Dopplex: 1\r\nConnection: close\r\n\r\n",
         "HTTP/1.1 403 Forbidden"},
        {"no Host", "GET /status HTTP/1.0\r\n\r\n", "HTTP/1.1 403 Forbidden"},
        {"its own address with more after the port",
         "GET /status HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
             "@evil\r\nConnection: close\r\n\r\n",
         "HTTP/1.1 403 Forbidden"},
        {"its own address with an empty port",
         "GET /status HTTP/1.1\r\nHost: 127.0.0.1:\r\nConnection: close\r\n\r\n",
         "HTTP/1.1 403 Forbidden"},
        {"localhost with a path",
         "GET /status HTTP/1.1\r\nHost: localhost/x\r\nConnection: close\r\n\r\n",
         "HTTP/1.1 403 Forbidden"},
        {"localhost and its port",
         "GET /status HTTP/1.1\r\nHost: LocalHost:" + std::to_string(port) +
             "\r\nConnection: close\r\n\r\n",
         "HTTP/1.1 200 OK"},
        {"a name set in page_names",
         "GET /status HTTP/1.1\r\nHost: shack.local:" + std::to_string(port) +
             "\r\nConnection: close\r\n\r\n",
         "HTTP/1.1 200 OK"},
    };
    for (const Row& row : rows) {
        const std::string answer = exchange(port, row.request);
        EXPECT_EQ(status_line(answer), row.answer) << row.what;
        if (row.ours) {
            for (const char* header : {"Referrer-Policy: no-referrer", "X-Frame-Options: DENY",
                                       "Content-Security-Policy: frame-ancestors 'none'"}) {
                EXPECT_THAT(answer, testing::HasSubstr(header)) << row.what;
            }
        }
        EXPECT_EQ(status_line(exchange(port, status)), "HTTP/1.1 200 OK") << "after " << row.what;
    }
    EXPECT_THAT(daemon.printed(), testing::Not(testing::HasSubstr("Reset")));

    Hogs hogs(port);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const std::string stop =
        request("POST /stop", port, "X-Dopplex: 1\r\n"); // an action, through the crowd
    EXPECT_EQ(status_line(exchange(port, status)), "HTTP/1.1 200 OK") << "among 108 hogs";
    EXPECT_EQ(status_line(exchange(port, stop)), "HTTP/1.1 204 No Content") << "among 108 hogs";
    EXPECT_TRUE(eventually([&] { return hogs.trickling_closed(); }))
        << "a request that never ends is cut off";
}

// Another user of this machine (nobody) holding idle connections from 127.0.0.2 onwards, as many
// as it can: each from a child that became nobody, until killed.
struct NobodysCrowd {
    NobodysCrowd(int port, int addresses) {
        if (addresses > 0) {
            child.emplace(
                65534, [&] { return open_and_settle(port, addresses); },
                "nobody could not open its connections", 20000);
        }
    }
    // In the child: no allocation.
    bool open_and_settle(int port, int addresses) {
        nfds_t opened = 0;
        for (int a = 0; a < addresses; ++a) {
            sockaddr_in from{}, to{};
            from.sin_family = to.sin_family = AF_INET;
            from.sin_addr.s_addr = htonl(INADDR_LOOPBACK + 1 + static_cast<unsigned>(a));
            to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            to.sin_port = htons(static_cast<std::uint16_t>(port));
            for (int i = 0; i < 200 && opened < held.size(); ++i) {
                const int fd = socket(AF_INET, SOCK_STREAM, 0);
                if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
                    connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
                    return false;
                }
                held[opened++] = {fd, POLLRDHUP, 0};
            }
        }
        // Ready once the service has dealt with them all: as many closed for 0.5 s.
        for (int closed = -1, same = 0; same < 5;) {
            const int now = poll(held.data(), opened, 0);
            same = now == closed ? same + 1 : 0;
            closed = now;
            poll(nullptr, 0, 100);
        }
        return true;
    }
    std::array<pollfd, 1000> held{}; // made before the fork: the child does not allocate
    std::optional<test::HeldChild> child;
};

// Another user of this machine is refused without the token, as the Hamlib listeners refuse
// them, and cannot crowd out the page's user from any number of loopback addresses; needs root
// to become nobody.
TEST(DopplexdPageBounds, AnotherLocalUserIsRefused) {
    if (geteuid() != 0 || std::system("command -v setpriv curl >/dev/null") != 0) {
        GTEST_SKIP() << "needs root, setpriv and curl to ask as another user";
    }
    RunningDaemon daemon("127.0.0.1");
    const int port = daemon.page();
    struct Row {
        const char* what;
        int crowd_addresses;     // from 127.0.0.2 on, 200 idle connections each
        const char* nobody_asks; // curl's arguments after the address's path, or none
        const char* nobody_gets; // the status code
    };
    const Row rows[] = {
        {"Reset without the token", 0, "/reset -X POST -H 'X-Dopplex: 1'", "403"},
        {"idle connections from 4 loopback addresses", 4, nullptr, nullptr},
    };
    for (const Row& row : rows) {
        const NobodysCrowd crowd(port, row.crowd_addresses);
        if (row.nobody_asks) {
            const std::string answer = daemon.state_file().parent_path() / "nobody.txt";
            const std::string command =
                "setpriv --reuid=65534 --regid=65534 --clear-groups curl -s -o /dev/null "
                "-w '%{http_code}' http://127.0.0.1:" +
                std::to_string(port) + row.nobody_asks + " > " + answer;
            ASSERT_EQ(std::system(command.c_str()), 0) << row.what;
            std::ifstream in(answer);
            std::string code;
            in >> code;
            EXPECT_EQ(code, row.nobody_gets) << row.what;
        }
        const std::string status = request("GET /status", port);
        const auto asked = std::chrono::steady_clock::now();
        EXPECT_EQ(status_line(exchange(port, status)), "HTTP/1.1 200 OK") << row.what;
        EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(1)) << row.what;
    }
    EXPECT_THAT(daemon.printed(), testing::Not(testing::HasSubstr("Reset")));
}

} // namespace
} // namespace dopplex::test
