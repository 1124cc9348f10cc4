// The socket transport against scripted peers: well-behaved (binary data), garbage, a huge line,
// a stalled frame, silence, a flood of notices and a disconnect in the middle of an answer. None
// may crash, hang or grow memory, and each ending says why.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <sys/socket.h>
#include <sys/un.h>

#include "link/socket/frame_parser.h"
#include "link/socket/link_server.h"
#include "link/socket/socket_transport.h"
#include "platform/link/socket/runtime_fixture.h"

namespace dopplex {
namespace {

using Clock = std::chrono::steady_clock;

struct Recorder : LinkListener {
    std::atomic<int> changes{0};
    std::atomic<int> ends{0};
    void change_notice(const std::string&) override { ++changes; }
    void conversation_ended() override { ++ends; }

    // The transport's last status line.
    void watch(link::SocketTransport& transport) {
        transport.set_status_listener([this](const std::string& text) {
            std::lock_guard lock(mutex);
            status = text;
        });
    }
    std::string last_status() {
        std::lock_guard lock(mutex);
        return status;
    }
    std::mutex mutex;
    std::string status;
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
        recorder.watch(*transport);
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
    EXPECT_EQ(recorder.last_status(), "The tracker refused Orbitron Other");
    EXPECT_FALSE(transport->connect(kTrackerService, kTrackerTopic)) << "nobody listens";
    EXPECT_EQ(recorder.last_status(), "No tracker answers at " + socket_);
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

TEST_F(HostilePeer, BrokenOrStalledFramesEndTheConversationWithAReason) {
    struct Case {
        std::string hostile;
        int pause_ms; // before the bytes are sent
        int least_ms; // the conversation may not end sooner
        std::string status;
    };
    const Case cases[] = {
        {std::string(10 * 1024 * 1024, 'x'), 0, 0, "Protocol error: a line longer than 512 bytes"},
        {"DATA 1 99999999\n", 0, 0,
         "Protocol error: a DATA line without a length of at most 65536 bytes"},
        {"DATA 1 -3\n", 0, 0,
         "Protocol error: a DATA line without a length of at most 65536 bytes"},
        {"DATA 1 3\nabcd\n", 0, 0, "Protocol error: DATA not followed by a line end"},
        {"DATA 1 10\nabc", 0, 1500, "The tracker stopped inside a frame for more than 2 s"},
        {"CHANGED Track", 0, 1500, "The tracker stopped inside a frame for more than 2 s"},
        // An idle link between frames is no stall.
        {"BYE\n", 2500, 2000, "The tracker ended the conversation"},
    };
    for (const Case& c : cases) {
        Recorder recorder_here;
        link::SocketTransport here(dir_);
        here.set_listener(&recorder_here);
        recorder_here.watch(here);
        {
            ScriptedPeer peer(socket_, [&](int fd) {
                read_line(fd);
                send_text(fd, "CONNECTED\n");
                std::this_thread::sleep_for(std::chrono::milliseconds(c.pause_ms));
                send_text(fd, c.hostile);
                char sink[256];
                while (recv(fd, sink, sizeof sink, 0) > 0) {
                }
            });
            ASSERT_TRUE(here.connect(kTrackerService, kTrackerTopic));
            const auto start = Clock::now();
            EXPECT_TRUE(eventually([&] { return recorder_here.ends == 1; })) << c.status;
            EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(c.least_ms)) << c.status;
            EXPECT_EQ(recorder_here.last_status(), c.status);
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

TEST_F(HostilePeer, SilentPeerTimesRequestsOutAndClosingCutsTheWaitShort) {
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

    const auto closing = Clock::now();
    std::thread closer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        transport->interrupt();
    });
    EXPECT_FALSE(transport->request(kTrackerItem, 1000).has_value());
    closer.join();
    EXPECT_FALSE(transport->subscribe(kTrackerItem, 1000));
    EXPECT_LT(Clock::now() - closing, std::chrono::milliseconds(500));
}

// The engine's queue as the conversation sees it: how long it grows and what runs in it.
struct CountingQueue {
    std::mutex mutex;
    std::deque<std::function<void()>> queue;
    std::size_t longest = 0;
    void post(std::function<void()> f) {
        std::lock_guard lock(mutex);
        queue.push_back(std::move(f));
        longest = std::max(longest, queue.size());
    }
    bool run_one() {
        std::function<void()> f;
        {
            std::lock_guard lock(mutex);
            if (queue.empty()) {
                return false;
            }
            f = std::move(queue.front());
            queue.pop_front();
        }
        f();
        return true;
    }
};

struct NoLauncher : Launcher {
    int launch(const std::string&) override { return 0; }
};

// A tracker announcing changes thousands of times a second and never answering a request: each
// fetch waits its full second, so the queue must not fill with notices ahead of a click.
TEST_F(HostilePeer, NoticeFloodWithoutAnswersLeavesOneNoticeAheadOfAClick) {
    std::atomic<int> notices_sent{0};
    ScriptedPeer peer(socket_, [&](int fd) {
        read_line(fd);
        send_text(fd, "CONNECTED\n");
        const std::string advstart = read_line(fd); // ADVSTART <id> TrackingDataEx
        send_text(fd, "ACK " + advstart.substr(9, advstart.find(' ', 9) - 9) + "\n");
        std::string burst;
        for (int i = 0; i < 50; ++i) {
            burst += "CHANGED TrackingDataEx\n";
        }
        while (link::send_all(fd, burst)) {
            notices_sent += 50;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    CountingQueue queue;
    NoLauncher launcher;
    ClientItem item(kTrackerItem);
    int fetches = 0;
    item.OnChange = [&] { ++fetches; };
    ClientConversation conversation(
        *transport, launcher, [&](std::function<void()> f) { queue.post(std::move(f)); },
        [](const std::string&) {});
    conversation.ServiceApplication.clear();
    conversation.add_item(item);
    ASSERT_TRUE(conversation.OpenConversation()); // its first fetch waits a second

    int ran_before_click = 0;
    bool clicked = false;
    queue.post([&] { clicked = true; });
    while (!clicked && ran_before_click < 3 && queue.run_one()) {
        ran_before_click += clicked ? 0 : 1;
    }
    EXPECT_TRUE(clicked);
    EXPECT_LE(ran_before_click, 1);
    EXPECT_LE(queue.longest, 2u);
    EXPECT_GT(notices_sent, 1000);
    EXPECT_EQ(fetches, 0) << "no answer, no change";
    EXPECT_EQ(recorder.last_status(), "No answer to REQUEST TrackingDataEx within 1000 ms");
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
