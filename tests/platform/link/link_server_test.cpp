// The tracker's server under same-user clients that hog it: silent connections and clients that
// send requests without reading the answers must not keep the window out or slow it down.
#include <gtest/gtest.h>

#include <atomic>
#include <sys/socket.h>

#include "link/link_server.h"
#include "link/socket_transport.h"
#include "platform/link/runtime_fixture.h"

namespace dopplex {
namespace {

using Clock = std::chrono::steady_clock;

class HoggedServer : public test::RuntimeDirTest {
protected:
    void SetUp() override {
        RuntimeDirTest::SetUp();
        server = std::make_unique<link::LinkServer>(socket_, kTrackerService, kTrackerTopic);
        server->set_item(kTrackerItem, std::string(300, 'x'));
        server->start();
    }
    void TearDown() override {
        server.reset();
        RuntimeDirTest::TearDown();
    }
    // A connection that may find the backlog full for a moment.
    int connect_soon() {
        const auto deadline = Clock::now() + std::chrono::seconds(3);
        int fd = link::connect_unix(socket_);
        while (fd < 0 && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            fd = link::connect_unix(socket_);
        }
        return fd;
    }
    std::unique_ptr<link::LinkServer> server;
};

TEST_F(HoggedServer, SilentClientsMakeRoomForTheWindowAndAreDroppedWithinASecond) {
    std::vector<int> silent;
    for (int i = 0; i < 20; ++i) {
        silent.push_back(connect_soon());
        ASSERT_GE(silent.back(), 0);
    }
    link::SocketTransport window(dir_);
    ASSERT_TRUE(window.connect(kTrackerService, kTrackerTopic));
    EXPECT_EQ(window.request(kTrackerItem, 1000), std::string(300, 'x'));
    const timeval wait{3, 0};
    for (int fd : silent) {
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        char byte = 0;
        const ssize_t n = recv(fd, &byte, 1, 0);
        EXPECT_TRUE(n == 0 || (n < 0 && errno != EAGAIN)) << "still open after 3 s";
        close(fd);
    }
    EXPECT_TRUE(window.connected());
    EXPECT_EQ(server->conversations(), 1u);
}

TEST_F(HoggedServer, ClientsThatNeverReadAreDroppedAndDoNotDelayAReader) {
    std::atomic<bool> done{false};
    std::atomic<int> dropped{0};
    std::vector<std::thread> hogs;
    for (int i = 0; i < 4; ++i) {
        hogs.emplace_back([&] {
            std::string flood;
            for (int id = 0; id < 200; ++id) {
                flood += "REQUEST " + std::to_string(id) + " " + kTrackerItem + "\n";
            }
            while (!done) {
                const int fd = connect_soon();
                if (fd < 0) {
                    continue;
                }
                link::send_all(fd, "CONNECT " + std::string(kTrackerService) + " " + kTrackerTopic +
                                       "\n");
                while (!done && link::send_all(fd, flood)) {
                }
                if (!done) {
                    ++dropped;
                }
                close(fd);
            }
        });
    }
    link::SocketTransport reader(dir_);
    const bool connected = reader.connect(kTrackerService, kTrackerTopic);
    int answered = 0;
    for (int i = 0; connected && i < 20; ++i) {
        answered += reader.request(kTrackerItem, 1000).has_value() ? 1 : 0;
    }
    const auto flooding_since = Clock::now();
    while (dropped < 4 && Clock::now() - flooding_since < std::chrono::seconds(3)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    done = true;
    for (std::thread& hog : hogs) {
        hog.join();
    }
    EXPECT_TRUE(connected);
    EXPECT_EQ(answered, 20) << "answers later than a second";
    EXPECT_GE(dropped, 4);
}

} // namespace
} // namespace dopplex
