// dopplex-tracker --hamlib against Hamlib's own clients (rigctl and rotctl, NET model 2) and
// against clients that misbehave: the link serves what the real ones set, and no bad client
// stops a listener or the link.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include "relay/hamlib/hamlib_tracker_fixture.h"

namespace dopplex {
namespace {

class HamlibClients : public test::HamlibTracker {
protected:
    void SetUp() override {
        HamlibTracker::SetUp();
        if (access("/usr/bin/rigctl", X_OK) != 0 || access("/usr/bin/rotctl", X_OK) != 0) {
            GTEST_SKIP() << "rigctl/rotctl absent (Debian package libhamlib-utils)";
        }
    }
    std::string rigctl(const std::string& role, std::vector<std::string> commands) {
        commands.insert(commands.begin(), {"rigctl", "-m", "2", "-r", address[role]});
        return run(commands);
    }
    // Whether a fresh connection, as another user when given, gets an answer to one line.
    bool answered(const std::string& role, const std::string& line, uid_t as_user = 0) {
        const pid_t pid = fork();
        if (pid == 0) {
            if (as_user != 0 && (setgid(as_user) != 0 || setuid(as_user) != 0)) {
                _exit(2);
            }
            const int fd = connect_to(role);
            send(fd, line.data(), line.size(), MSG_NOSIGNAL);
            char answer[64];
            _exit(recv(fd, answer, sizeof answer, 0) > 0 ? 0 : 1);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << status;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    // A raw TCP connection to a listener.
    int connect_to(const std::string& role) {
        const std::string& a = address[role];
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<uint16_t>(std::stoi(a.substr(a.rfind(':') + 1))));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const timeval wait{3, 0}; // a listener that fails to answer fails the test, not hangs it
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to), 0) << a;
        return fd;
    }
};

TEST_F(HamlibClients, RigctlAndRotctlSetWhatTheLinkServes) {
    start_hamlib({"--name", "ISS", "--uplink-rig", "127.0.0.1:0"});
    EXPECT_EQ(
        rigctl("rig", {"F", "145800000", "f", "I", "435000000", "i", "S", "1", "VFOB", "t", "q"}),
        "145800000\n435000000\n0\n");
    EXPECT_EQ(run({"rotctl", "-m", "2", "-r", address["rotator"], "P", "180", "45", "p"}),
              "180.00\n45.00\n");
    EXPECT_EQ(link_text_with({"AZ180.0 EL45.0"}),
              "SN\"ISS\" AZ180.0 EL45.0 DN145800000 UP435000000");
    // Gpredict's dual-rig setup: the second rig's frequency is the uplink.
    EXPECT_EQ(rigctl("uplink rig", {"F", "435012345", "f"}), "435012345\n");
    EXPECT_EQ(link_text_with({"UP435012345"}), "SN\"ISS\" AZ180.0 EL45.0 DN145800000 UP435012345");
    stop_tracker(tracker_pid);
}

TEST_F(HamlibClients, BadClientsNeverStopTheListenersOrTheLink) {
    start_hamlib({});
    std::vector<int> kept;
    long long hz = 145800000;
    const struct {
        const char* what;
        std::function<void()> abuse;
    } cases[] = {
        {"a line over 512 bytes is dropped",
         [&] {
             const int fd = connect_to("rig");
             const std::string line(600, 'F');
             send(fd, line.data(), line.size(), MSG_NOSIGNAL);
             char answer[16];
             EXPECT_EQ(recv(fd, answer, sizeof answer, 0), 0);
             close(fd);
         }},
        {"binary junk is refused, line by line",
         [&] {
             const int fd = connect_to("rig");
             const std::string junk("\x8b\n\0\xff\x01\nf\n", 8);
             send(fd, junk.data(), junk.size(), MSG_NOSIGNAL);
             const auto three_lines = [](const std::string& t) {
                 return std::count(t.begin(), t.end(), '\n') >= 3;
             };
             EXPECT_EQ(read_until(fd, 3000, three_lines),
                       "RPRT -11\nRPRT -11\n" + std::to_string(hz) + "\n");
             close(fd);
         }},
        {"every place of the rig held by clients that end no line, one trickling a command",
         [&] {
             kept.push_back(connect_to("rotator"));
             for (std::size_t i = 0; i < 32; ++i) {
                 kept.push_back(connect_to("rig"));
             }
             send(kept.back(), "f", 1, MSG_NOSIGNAL);
         }},
        {"a client that floods and never reads",
         [&] {
             const int fd = connect_to("rotator");
             const std::string flood = std::string(65536, '\n') + "p\n";
             for (int i = 0; i < 64; ++i) {
                 if (send(fd, flood.data(), flood.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0) {
                     break;
                 }
             }
             kept.push_back(fd);
         }},
    };
    for (const auto& c : cases) {
        c.abuse();
        ++hz;
        const std::string set = rigctl("rig", {"F", std::to_string(hz), "f"});
        EXPECT_EQ(set, std::to_string(hz) + "\n") << c.what;
        EXPECT_NE(link_text_with({"DN" + std::to_string(hz)}).find("DN" + std::to_string(hz)),
                  std::string::npos)
            << c.what;
    }
    for (int fd : kept) {
        close(fd);
    }
    stop_tracker(tracker_pid);
}

TEST_F(HamlibClients, ListenerRules) {
    for (const bool allow_others : {false, true}) {
        start_hamlib(allow_others ? std::vector<std::string>{"--allow-other-users"}
                                  : std::vector<std::string>{});
        const bool root = getuid() == 0; // only root can be another user here
        if (root) {
            EXPECT_EQ(answered("rig", "f\n", 65534), allow_others) << "nobody";
        }
        // CR, CRLF and LF each end one line, and only one; the range \dump_state gives holds.
        const int fd = connect_to("rig");
        const std::string lines = "F 145800000\rf\r\nf\nF 99999\n";
        send(fd, lines.data(), lines.size(), MSG_NOSIGNAL);
        EXPECT_EQ(read_until(fd, 3000,
                             [](const std::string& t) { return t.find("RPRT -1\n") != t.npos; }),
                  "RPRT 0\n145800000\n145800000\nRPRT -1\n");
        // 32 clients at a time; when each speaks, a newcomer pushes out the oldest last line.
        std::vector<int> kept{fd};
        while (kept.size() < 32) {
            kept.push_back(connect_to("rig"));
            send(kept.back(), "f\n", 2, MSG_NOSIGNAL);
            EXPECT_EQ(read_until(kept.back(), 3000,
                                 [](const std::string& t) { return t.ends_with("\n"); }),
                      "145800000\n");
        }
        EXPECT_TRUE(answered("rig", "f\n"));
        send(fd, "f\n", 2, MSG_NOSIGNAL);
        EXPECT_EQ(read_until(fd, 3000, [](const std::string&) { return false; }), "");
        for (int k : kept) {
            close(k);
        }
        EXPECT_EQ(rigctl("rig", {"f"}), "145800000\n");
        stop_tracker(tracker_pid);
    }
}

} // namespace
} // namespace dopplex
