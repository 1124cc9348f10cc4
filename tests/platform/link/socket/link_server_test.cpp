// The tracker's server under same-user clients that hog it: silent connections and clients that
// send requests without reading the answers must not keep the window out or slow it down.
#include <atomic>
#include <sys/socket.h>

#include "link/socket/link_server.h"
#include "link/socket/socket_transport.h"
#include "platform/link/socket/runtime_fixture.h"

namespace dopplex {
namespace {

using Clock = std::chrono::steady_clock;

class HoggedServer : public test::RuntimeDirTest {
protected:
    void SetUp() override {
        RuntimeDirTest::SetUp();
        server = std::make_unique<link::LinkServer>(socket_, kTrackerService, kTrackerTopic);
        server->set_item(kTrackerItem, "text");
        server->start();
    }
    void TearDown() override {
        server.reset();
        RuntimeDirTest::TearDown();
    }
    // Retries while the listen backlog is full for a moment.
    int connect_soon() const {
        const auto deadline = Clock::now() + std::chrono::seconds(3);
        int fd = link::connect_unix(socket_);
        for (; fd < 0 && Clock::now() < deadline; fd = link::connect_unix(socket_)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return fd;
    }
    std::unique_ptr<link::LinkServer> server;
};

TEST_F(HoggedServer, SilentClientsMakeRoomForTheWindowAndAreDroppedWithinASecond) {
    std::vector<int> silent(20);
    for (int& fd : silent) {
        fd = connect_soon();
        ASSERT_GE(fd, 0);
    }
    link::SocketTransport window(dir_);
    ASSERT_TRUE(window.connect(kTrackerService, kTrackerTopic));
    EXPECT_EQ(window.request(kTrackerItem, 1000), "text");
    const timeval wait{3, 0};
    for (int fd : silent) {
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        char byte = 0;
        const ssize_t n = recv(fd, &byte, 1, 0);
        EXPECT_TRUE(n == 0 || (n < 0 && errno != EAGAIN)) << "still open after 3 s";
        close(fd);
    }
    EXPECT_EQ(server->conversations(), 1u);
}

TEST_F(HoggedServer, ClientsThatNeverReadAreDroppedAndDoNotDelayAReader) {
    std::atomic<bool> done{false};
    std::atomic<int> dropped{0};
    const std::string hello =
        "CONNECT " + std::string(kTrackerService) + " " + kTrackerTopic + "\n";
    std::string flood;
    for (int id = 0; id < 200; ++id) {
        flood += "REQUEST " + std::to_string(id) + " " + kTrackerItem + "\n";
    }
    std::vector<std::thread> hogs;
    for (int i = 0; i < 4; ++i) {
        hogs.emplace_back([&] { // reconnects when dropped, so it hogs all along
            while (!done) {
                const int fd = connect_soon();
                bool sending = fd >= 0 && link::send_all(fd, hello);
                while (!done && sending) {
                    sending = link::send_all(fd, flood);
                }
                dropped += !done && fd >= 0 ? 1 : 0;
                close(fd);
            }
        });
    }
    link::SocketTransport reader(dir_);
    EXPECT_TRUE(reader.connect(kTrackerService, kTrackerTopic));
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(reader.request(kTrackerItem, 1000), "text") << "no answer within a second";
    }
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    while (dropped < 4 && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    done = true;
    for (std::thread& hog : hogs) {
        hog.join();
    }
    EXPECT_GE(dropped, 4) << "a client that never reads must not make the server's memory grow";
}

} // namespace
} // namespace dopplex
