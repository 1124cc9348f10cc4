// The live readout's own conversation against a real link server: it waits for the tracker,
// takes the value it finds, follows every change and comes back after the tracker restarts.
#include <gtest/gtest.h>

#include "core/tracker/link/fake_link.h"
#include "link/shared/live_item.h"
#include "link/socket/link_server.h"
#include "link/socket/socket_transport.h"
#include "platform/link/socket/runtime_fixture.h"

namespace dopplex {
namespace {

using namespace std::chrono_literals;

class LiveItemTest : public test::RuntimeDirTest {
protected:
    std::mutex mutex;
    std::vector<std::string> seen; // guarded by mutex

    // True once `bytes` is the last value delivered, within a wide margin.
    bool sees(const std::string& bytes) {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline) {
            {
                std::lock_guard lock(mutex);
                if (!seen.empty() && seen.back() == bytes) {
                    return true;
                }
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    std::unique_ptr<link::LinkServer> serve(const std::string& bytes) {
        auto server = std::make_unique<link::LinkServer>(socket_, kTrackerService, kTrackerTopic);
        server->set_item(kTrackerItem, bytes);
        server->start();
        return server;
    }
};

TEST_F(LiveItemTest, WaitsForTheTrackerFollowsItsChangesAndComesBackAfterARestart) {
    link::SocketTransport transport(dir_);
    link::LiveItem live(
        transport, kTrackerService, kTrackerTopic, kTrackerItem,
        [this](const std::string& bytes) {
            std::lock_guard lock(mutex);
            seen.push_back(bytes);
        },
        50ms);
    std::this_thread::sleep_for(200ms); // a few failed attempts first
    auto server = serve("EL1.0");
    EXPECT_TRUE(sees("EL1.0"));
    server->set_item(kTrackerItem, "EL2.0");
    EXPECT_TRUE(sees("EL2.0"));
    server->stop();
    server.reset();
    server = serve("EL3.0");
    EXPECT_TRUE(sees("EL3.0"));
    server->set_item(kTrackerItem, "EL4.0");
    EXPECT_TRUE(sees("EL4.0"));
}

// A request left unanswered (a loaded machine, a tracker busy for a second) must not leave the
// readout empty until the next change: the conversation starts again.
TEST_F(LiveItemTest, AnUnansweredRequestIsTriedAgainOnANewConversation) {
    test::Trace trace;
    test::FakeTransport transport(trace);
    transport.connect_results = {true, true};
    transport.request_results = {std::nullopt, "EL1.0"};
    {
        link::LiveItem live(
            transport, kTrackerService, kTrackerTopic, kTrackerItem,
            [this](const std::string& bytes) {
                std::lock_guard lock(mutex);
                seen.push_back(bytes);
            },
            10ms);
        EXPECT_TRUE(sees("EL1.0"));
    }
    EXPECT_EQ(std::count(trace.lines.begin(), trace.lines.end(), "connect Orbitron Tracking ok"),
              2);
}

} // namespace
} // namespace dopplex
