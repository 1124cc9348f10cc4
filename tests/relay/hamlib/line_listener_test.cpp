// A listener in this process, served on a thread of its own, against clients that hold every
// place: a newcomer still gets one, and the refusals that remain are told once per burst.
#include "hamlib/line_listener.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <mutex>
#include <netinet/in.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace dopplex::tracker {
namespace {

constexpr uid_t kNobody = 65534;

struct Served {
    explicit Served(bool allow_other_users)
        : listener(
              {"127.0.0.1", 0}, [] { return [](std::string_view) { return HamlibReply("ok\n"); }; },
              allow_other_users,
              [this](const std::string& why) {
                  std::lock_guard lock(mutex);
                  told.push_back(why);
              }) {
        server = std::thread([this] {
            while (!done) {
                std::vector<pollfd> fds;
                listener.add_poll_fds(fds);
                if (poll(fds.data(), fds.size(), 20) > 0) {
                    listener.serve(fds);
                }
            }
        });
    }
    ~Served() {
        done = true;
        server.join();
    }
    int connect_client() const {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        const std::string& a = listener.address();
        to.sin_port = htons(static_cast<uint16_t>(std::stoi(a.substr(a.rfind(':') + 1))));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const timeval wait{3, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
        return fd;
    }
    // A line and its answer; what comes back, empty when the listener closed instead.
    static std::string ask(int fd) {
        send(fd, "f\n", 2, MSG_NOSIGNAL);
        char answer[16];
        const ssize_t n = recv(fd, answer, sizeof answer, 0);
        return n > 0 ? std::string(answer, static_cast<std::size_t>(n)) : std::string();
    }
    // Whether a client of another user is answered.
    bool answered_as_nobody() const {
        const pid_t pid = fork();
        if (pid == 0) {
            if (setgid(kNobody) != 0 || setuid(kNobody) != 0) {
                _exit(2);
            }
            _exit(ask(connect_client()) == "ok\n" ? 0 : 1);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << status;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    std::vector<std::string> told_lines() {
        std::lock_guard lock(mutex);
        return told;
    }

    LineListener listener;
    std::atomic<bool> done{false};
    std::mutex mutex;
    std::vector<std::string> told;
    std::thread server;
};

TEST(LineListenerPlaces, ANewcomerGetsAPlaceAndRefusalsAreToldOncePerBurst) {
    if (getuid() != 0) {
        GTEST_SKIP() << "only root can be another user here";
    }
    const struct {
        const char* what;
        bool allow_other_users;
        const char* told; // the one line told for five of nobody's clients; empty: none
    } rows[] = {
        {"the owner's clients hold every place: others wait", true,
         ": all 32 places are held by its owner's clients"},
        {"another user's clients are not let in", false, ": another user of this machine"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Served served(row.allow_other_users);
        std::vector<int> speakers;
        for (std::size_t i = 0; i < LineListener::kMaxClients; ++i) {
            speakers.push_back(served.connect_client());
            ASSERT_EQ(Served::ask(speakers.back()), "ok\n");
        }
        for (int n = 0; n < 5; ++n) {
            EXPECT_FALSE(served.answered_as_nobody());
        }
        // Every place speaks: the newcomer of the owner pushes out the oldest last line, counted
        // in the refusals' burst.
        const int newcomer = served.connect_client();
        EXPECT_EQ(Served::ask(newcomer), "ok\n");
        EXPECT_EQ(Served::ask(speakers.front()), "");
        for (std::size_t i = 1; i < speakers.size(); ++i) {
            EXPECT_EQ(Served::ask(speakers[i]), "ok\n") << i;
        }
        const std::vector<std::string> told = served.told_lines();
        ASSERT_EQ(told.size(), 1u);
        EXPECT_NE(told.front().find(row.told), std::string::npos) << told.front();
        for (int fd : speakers) {
            close(fd);
        }
        close(newcomer);
    }
}

// The owner's own clients pushing each other out are told as refusals are: the first at once,
// the rest counted into the next line.
TEST(LineListenerPlaces, PushOutsAreToldOncePerBurst) {
    Served served(true);
    std::vector<int> clients;
    for (std::size_t i = 0; i < LineListener::kMaxClients + 8; ++i) {
        clients.push_back(served.connect_client());
        ASSERT_EQ(Served::ask(clients.back()), "ok\n") << i;
    }
    const std::vector<std::string> told = served.told_lines();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told.front(), served.listener.address() +
                                " pushed out a client of 127.0.0.1 for one of 127.0.0.1: all 32 "
                                "places were taken");
    for (int fd : clients) {
        close(fd);
    }
}

} // namespace
} // namespace dopplex::tracker
