// The socket transport against scripted peers: well-behaved (binary data), garbage, a huge line,
// silence and a disconnect in the middle of an answer. None may crash, hang or grow memory.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>

#include "link/frame_parser.h"
#include "link/link_server.h"
#include "link/socket_transport.h"
#include "platform/link/runtime_fixture.h"

namespace dopplex {
namespace {

using Clock = std::chrono::steady_clock;

struct Recorder : LinkListener {
    std::atomic<int> changes{0};
    std::atomic<int> ends{0};
    void change_notice(const std::string&) override { ++changes; }
    void conversation_ended() override { ++ends; }
};

using test::eventually;

// A peer that accepts one client and runs a script on it.
class ScriptedPeer {
public:
    ScriptedPeer(const std::string& path, std::function<void(int)> script) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, path.c_str());
        listen_fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        EXPECT_EQ(bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(listen(listen_fd_, 4), 0);
        thread_ = std::thread([this, script] {
            const int fd = accept(listen_fd_, nullptr, nullptr);
            client_fd_ = fd;
            if (fd >= 0) {
                script(fd);
            }
        });
    }
    ~ScriptedPeer() {
        shutdown(listen_fd_, SHUT_RDWR);
        if (client_fd_ >= 0) {
            shutdown(client_fd_, SHUT_RDWR);
        }
        thread_.join();
        if (client_fd_ >= 0) {
            close(client_fd_);
        }
        close(listen_fd_);
    }

private:
    int listen_fd_;
    std::atomic<int> client_fd_{-1};
    std::thread thread_;
};

// Reads one line the client sent.
std::string read_line(int fd) {
    std::string line;
    char c = 0;
    while (recv(fd, &c, 1, 0) == 1 && c != '\n') {
        line += c;
    }
    return line;
}

void send_text(int fd, const std::string& text) {
    link::send_all(fd, text);
}

class HostilePeer : public test::RuntimeDirTest {
protected:
    void SetUp() override {
        RuntimeDirTest::SetUp();
        transport = std::make_unique<link::SocketTransport>(dir_);
        transport->set_listener(&recorder);
    }
    void TearDown() override {
        transport.reset();
        RuntimeDirTest::TearDown();
    }
    Recorder recorder;
    std::unique_ptr<link::SocketTransport> transport;
};

TEST_F(HostilePeer, ServerCarriesBinaryDataAndAnnouncesOnlyChanges) {
    link::LinkServer server(socket_, kTrackerService, kTrackerTopic);
    const std::string bytes("a\0b\n\r\xff\x01 DATA 9 9\n", 17);
    server.set_item(kTrackerItem, bytes);
    server.start();
    ASSERT_TRUE(transport->connect(kTrackerService, kTrackerTopic));
    EXPECT_FALSE(transport->subscribe("Unknown", 1000));
    EXPECT_FALSE(transport->request("Unknown", 1000).has_value());
    ASSERT_TRUE(transport->subscribe(kTrackerItem, 1000));
    EXPECT_EQ(transport->request(kTrackerItem, 1000), bytes);
    server.set_item(kTrackerItem, bytes);
    server.set_item(kTrackerItem, "second");
    EXPECT_TRUE(eventually([&] { return recorder.changes == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(recorder.changes, 1);
    EXPECT_EQ(transport->request(kTrackerItem, 1000), "second");
    server.stop();
    EXPECT_TRUE(eventually([&] { return recorder.ends == 1; }));
    EXPECT_FALSE(transport->connected());
}

TEST_F(HostilePeer, WrongServiceOrTopicIsRefused) {
    link::LinkServer server(link::socket_path(dir_, "Orbitron", "Other"), kTrackerService,
                            kTrackerTopic);
    server.start();
    EXPECT_FALSE(transport->connect(kTrackerService, "Other"));
    EXPECT_FALSE(transport->connect(kTrackerService, kTrackerTopic)) << "nobody listens";
}

TEST_F(HostilePeer, GarbageLinesAreIgnoredAndTheLinkCarriesOn) {
    ScriptedPeer peer(socket_, [](int fd) {
        read_line(fd);
        send_text(fd, "CONNECTED\n");
        send_text(fd,
                  std::string("\x01\x02\xfe garbage\n\nACK\nACK 99\nCHANGED\nNACK x y z\n", 36));
        const std::string request = read_line(fd); // REQUEST 1 TrackingDataEx
        send_text(fd, "DATA 77 3\nold\n" + ("DATA " + request.substr(8, 1) + " 2\nok\n"));
        read_line(fd);
    });
    ASSERT_TRUE(transport->connect(kTrackerService, kTrackerTopic));
    EXPECT_EQ(transport->request(kTrackerItem, 1000), "ok");
    EXPECT_EQ(recorder.ends, 0);
    EXPECT_TRUE(transport->connected());
}

TEST_F(HostilePeer, MalformedFramesEndTheConversation) {
    const std::string cases[] = {
        std::string(10 * 1024 * 1024, 'x'), // a 10 MB line
        "DATA 1 99999999\n",                // more data than allowed
        "DATA 1 -3\n",                      // a length that is no count
        "DATA 1 3\nabcd\n",                 // data without its end of line
    };
    for (const std::string& hostile : cases) {
        Recorder recorder_here;
        link::SocketTransport here(dir_);
        here.set_listener(&recorder_here);
        {
            ScriptedPeer peer(socket_, [&](int fd) {
                read_line(fd);
                send_text(fd, "CONNECTED\n");
                send_text(fd, hostile);
                char sink[256];
                while (recv(fd, sink, sizeof sink, 0) > 0) {
                }
            });
            ASSERT_TRUE(here.connect(kTrackerService, kTrackerTopic));
            EXPECT_TRUE(eventually([&] { return recorder_here.ends == 1; })) << hostile.size();
            EXPECT_FALSE(here.request(kTrackerItem, 1000).has_value());
            here.disconnect();
        }
        unlink(socket_.c_str());
    }
}

TEST_F(HostilePeer, SilentPeerFailsTheConnectWithinASecond) {
    ScriptedPeer peer(socket_, [](int fd) { read_line(fd); });
    const auto start = Clock::now();
    EXPECT_FALSE(transport->connect(kTrackerService, kTrackerTopic));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2000));
}

TEST_F(HostilePeer, SilentPeerTimesRequestsOut) {
    ScriptedPeer peer(socket_, [](int fd) {
        read_line(fd);
        send_text(fd, "CONNECTED\n");
        while (!read_line(fd).empty()) {
        }
    });
    ASSERT_TRUE(transport->connect(kTrackerService, kTrackerTopic));
    const auto start = Clock::now();
    EXPECT_FALSE(transport->subscribe(kTrackerItem, 300));
    EXPECT_FALSE(transport->request(kTrackerItem, 300).has_value());
    const auto took = Clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(590));
    EXPECT_LT(took, std::chrono::milliseconds(1500));
    EXPECT_TRUE(transport->connected());
}

TEST_F(HostilePeer, DisconnectMidAnswerEndsAtOnce) {
    ScriptedPeer peer(socket_, [](int fd) {
        read_line(fd);
        send_text(fd, "CONNECTED\n");
        read_line(fd);
        send_text(fd, "DATA 1 100\nonly ten b");
        shutdown(fd, SHUT_RDWR);
    });
    ASSERT_TRUE(transport->connect(kTrackerService, kTrackerTopic));
    const auto start = Clock::now();
    EXPECT_FALSE(transport->request(kTrackerItem, 1000).has_value());
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_TRUE(eventually([&] { return recorder.ends == 1; }));
}

TEST(FrameParser, SplitsFramesFedInPieces) {
    link::FrameParser parser;
    const std::string stream = "CHANGED TrackingDataEx\nDATA 4 3\na\nb\nACK 5\n";
    std::vector<link::Frame> frames;
    for (char c : stream) {
        parser.feed(&c, 1);
        link::Frame frame;
        while (parser.next(frame) == link::FrameParser::Status::Frame) {
            frames.push_back(frame);
        }
    }
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].words, (std::vector<std::string>{"CHANGED", "TrackingDataEx"}));
    EXPECT_EQ(frames[1].data, "a\nb");
    EXPECT_EQ(frames[2].words, (std::vector<std::string>{"ACK", "5"}));
}

} // namespace
} // namespace dopplex
