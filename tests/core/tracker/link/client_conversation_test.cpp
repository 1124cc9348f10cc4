#include "tracker/link/client_conversation.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "core/tracker/link/fake_link.h"

namespace dopplex {
namespace {

using test::FakeLauncher;
using test::FakeTransport;
using test::Trace;
using Lines = std::vector<std::string>;

struct Rig {
    Trace trace;
    FakeTransport transport{trace};
    FakeLauncher launcher{trace};
    std::vector<std::function<void()>> queue;
    std::vector<std::string> reports;
    ClientItem item{kTrackerItem};
    std::unique_ptr<ClientConversation> conv;

    Rig() {
        conv = std::make_unique<ClientConversation>(
            transport, launcher, [this](std::function<void()> f) { queue.push_back(f); },
            [this](const std::string& m) { reports.push_back(m); });
        conv->OnOpen = [this] { trace.add("OnOpen"); };
        conv->OnClose = [this] { trace.add("OnClose"); };
        item.OnChange = [this] { trace.add("OnChange '" + item.Text() + "'"); };
        conv->add_item(item);
    }
    void run_queue() {
        auto pending = std::move(queue);
        queue.clear();
        for (auto& f : pending) {
            f();
        }
    }
    // Opens with a tracker that answers at once and delivers `text`.
    void open_with(const std::string& text) {
        transport.connect_results = {true};
        transport.request_results = {text};
        ASSERT_TRUE(conv->OpenConversation());
    }
};

struct OpenCase {
    const char* name;
    std::deque<bool> connects;
    int launch_result;
    bool subscribe_ok;
    std::deque<std::optional<std::string>> requests;
    bool opened;
    Lines trace;
};

class OpenPaths : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpenPaths, RunsTheStepsInOrder) {
    const OpenCase& c = GetParam();
    Rig rig;
    rig.transport.connect_results = c.connects;
    rig.launcher.result = c.launch_result;
    rig.transport.subscribe_result = c.subscribe_ok;
    rig.transport.request_results = c.requests;
    EXPECT_EQ(rig.conv->OpenConversation(), c.opened);
    EXPECT_EQ(rig.trace.lines, c.trace);
    EXPECT_EQ(rig.conv->connected(), c.opened);
    EXPECT_TRUE(rig.reports.empty());
}

const std::string kConnectOk = "connect Orbitron Tracking ok";
const std::string kConnectFail = "connect Orbitron Tracking fail";
const std::string kSubscribeOk = "subscribe TrackingDataEx 1000 ok";
const std::string kRequestData = "request TrackingDataEx 1000 data";

INSTANTIATE_TEST_SUITE_P(
    Link, OpenPaths,
    ::testing::Values(
        OpenCase{"TrackerRunning",
                 {true},
                 33,
                 true,
                 {"AZ1"},
                 true,
                 {kConnectOk, kSubscribeOk, "OnOpen", kRequestData, "OnChange 'AZ1'"}},
        OpenCase{"LaunchedAndAnswers",
                 {false, true},
                 33,
                 true,
                 {"AZ1"},
                 true,
                 {kConnectFail, "launch orbitron", kConnectOk, kSubscribeOk, "OnOpen", kRequestData,
                  "OnChange 'AZ1'"}},
        OpenCase{"LaunchResult32Retries",
                 {false, true},
                 32,
                 true,
                 {"AZ1"},
                 true,
                 {kConnectFail, "launch orbitron", kConnectOk, kSubscribeOk, "OnOpen", kRequestData,
                  "OnChange 'AZ1'"}},
        OpenCase{"NotLaunchable",
                 {false, true},
                 2,
                 true,
                 {},
                 false,
                 {kConnectFail, "launch orbitron", "OnChange ''"}},
        OpenCase{"LaunchResult31DoesNotRetry",
                 {false, true},
                 31,
                 true,
                 {},
                 false,
                 {kConnectFail, "launch orbitron", "OnChange ''"}},
        OpenCase{"LaunchedButSilent",
                 {false, false, true},
                 33,
                 true,
                 {},
                 false,
                 {kConnectFail, "launch orbitron", kConnectFail, "OnChange ''"}},
        OpenCase{"SubscriptionRefused",
                 {true},
                 33,
                 false,
                 {"AZ1"},
                 true,
                 {kConnectOk, "subscribe TrackingDataEx 1000 refused", "OnChange ''", "OnOpen"}},
        OpenCase{"FirstFetchFails",
                 {true},
                 33,
                 true,
                 {std::nullopt},
                 true,
                 {kConnectOk, kSubscribeOk, "OnOpen", "request TrackingDataEx 1000 none"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ClientConversation, AlreadyOpenDoesNothing) {
    Rig rig;
    rig.open_with("AZ1");
    rig.trace.lines.clear();
    rig.transport.connect_results = {true};
    EXPECT_FALSE(rig.conv->OpenConversation());
    EXPECT_TRUE(rig.trace.lines.empty());
}

TEST(ClientConversation, CommandLineLimit) {
    for (std::size_t length : {255u, 256u, 400u}) {
        Rig rig;
        rig.conv->ServiceApplication = std::string(length, 'x');
        rig.transport.connect_results = {false, false};
        EXPECT_FALSE(rig.conv->OpenConversation());
        const bool launched = rig.trace.lines.size() == 4;
        EXPECT_EQ(launched, length <= 255) << length;
        EXPECT_EQ(rig.reports.size(), length <= 255 ? 0u : 1u) << length;
        EXPECT_EQ(rig.trace.lines.back(), "OnChange ''");
        if (!rig.reports.empty()) {
            EXPECT_NE(rig.reports[0].find("more than 255"), std::string::npos);
        }
    }
}

TEST(ClientConversation, EmptyCommandLineIsNotLaunched) {
    Rig rig;
    rig.conv->ServiceApplication.clear();
    EXPECT_FALSE(rig.conv->OpenConversation());
    EXPECT_EQ(rig.trace.lines, (Lines{kConnectFail, "OnChange ''"}));
}

TEST(ClientConversation, ReceivedTexts) {
    struct Row {
        std::string received;
        std::string text;
    };
    const Row rows[] = {
        {"SN\"AO\" AZ1", "SN\"AO\" AZ1"},
        {"a\r\nb\tc", "a  b c"},
        {std::string("ab\0cd", 5), "ab"},
        {std::string("\0cd", 3), "previous"},
        {"", "previous"},
        {"\x01\x1f", "  "},
        {" x\x7f\xe9 ", " x\x7f\xe9 "},
    };
    for (const Row& row : rows) {
        Rig rig;
        rig.open_with("previous");
        rig.trace.lines.clear();
        rig.transport.request_results = {row.received};
        rig.transport.listener->change_notice(kTrackerItem);
        EXPECT_TRUE(rig.trace.lines.empty()) << "handled in place";
        rig.run_queue();
        EXPECT_EQ(rig.trace.lines, (Lines{kRequestData, "OnChange '" + row.text + "'"}));
        EXPECT_EQ(rig.item.Lines().size(), 1u);
    }
}

TEST(ClientConversation, FailedRequestRaisesNothing) {
    Rig rig;
    rig.open_with("AZ1");
    rig.trace.lines.clear();
    rig.transport.listener->change_notice(kTrackerItem);
    rig.run_queue();
    EXPECT_EQ(rig.trace.lines, (Lines{"request TrackingDataEx 1000 none"}));
    EXPECT_EQ(rig.item.Text(), "AZ1");
}

TEST(ClientConversation, EndRaisesCloseAndKeepsTheSubscription) {
    Rig rig;
    rig.open_with("AZ1");
    rig.trace.lines.clear();
    rig.transport.listener->conversation_ended();
    EXPECT_TRUE(rig.trace.lines.empty());
    rig.run_queue();
    EXPECT_EQ(rig.trace.lines, (Lines{"disconnect", "OnClose"}));
    EXPECT_FALSE(rig.conv->connected());
    EXPECT_EQ(rig.item.Text(), "AZ1") << "the item keeps its text; the window clears the display";

    rig.trace.lines.clear();
    rig.open_with("AZ2");
    EXPECT_EQ(rig.trace.lines,
              (Lines{kConnectOk, kSubscribeOk, "OnOpen", kRequestData, "OnChange 'AZ2'"}));
}

// A later open after a failed open or a refused subscription delivers data again.
TEST(ClientConversation, SubscriptionSurvivesFailures) {
    Rig rig;
    rig.launcher.result = 2;
    EXPECT_FALSE(rig.conv->OpenConversation());
    rig.trace.lines.clear();
    rig.open_with("AZ1");
    EXPECT_EQ(rig.trace.lines,
              (Lines{kConnectOk, kSubscribeOk, "OnOpen", kRequestData, "OnChange 'AZ1'"}));

    rig.transport.listener->conversation_ended();
    rig.run_queue();
    rig.transport.subscribe_result = false;
    rig.open_with("AZ2");
    rig.transport.listener->conversation_ended();
    rig.run_queue();
    rig.transport.subscribe_result = true;
    rig.trace.lines.clear();
    rig.open_with("AZ3");
    EXPECT_EQ(rig.trace.lines,
              (Lines{kConnectOk, kSubscribeOk, "OnOpen", kRequestData, "OnChange 'AZ3'"}));
}

TEST(ClientConversation, StaleNoticesAreDropped) {
    Rig rig;
    rig.open_with("AZ1");
    LinkListener* listener = rig.transport.listener;
    listener->change_notice(kTrackerItem);
    listener->conversation_ended();
    listener->conversation_ended();
    rig.run_queue();
    rig.trace.lines.clear();
    // Notices of the ended conversation that are still queued when the next one opens.
    listener->change_notice(kTrackerItem);
    listener->conversation_ended();
    rig.open_with("AZ2");
    rig.trace.lines.clear();
    rig.run_queue();
    EXPECT_TRUE(rig.trace.lines.empty());

    listener->change_notice(kTrackerItem);
    rig.conv->CloseConversation();
    rig.run_queue();
    EXPECT_EQ(rig.trace.lines, (Lines{"disconnect"})) << "closing quietly raises nothing";
}

TEST(ClientConversation, WaitingNoticesMergeIntoOneFetch) {
    Rig rig;
    rig.open_with("AZ1");
    LinkListener* listener = rig.transport.listener;
    for (int i = 0; i < 1000; ++i) {
        listener->change_notice(i % 2 == 0 ? kTrackerItem : "Unsubscribed");
    }
    EXPECT_EQ(rig.queue.size(), 1u);
    rig.trace.lines.clear();
    rig.transport.request_results = {"AZ2", "AZ3"};
    rig.run_queue();
    listener->change_notice(kTrackerItem); // after the fetch began: fetched again
    rig.run_queue();
    EXPECT_EQ(rig.trace.lines,
              (Lines{kRequestData, "OnChange 'AZ2'", kRequestData, "OnChange 'AZ3'"}));

    // A notice still queued from an ended conversation must not swallow the next one's.
    listener->change_notice(kTrackerItem);
    rig.conv->CloseConversation();
    rig.open_with("AZ4");
    listener->change_notice(kTrackerItem);
    rig.trace.lines.clear();
    rig.transport.request_results = {"AZ5"};
    rig.run_queue();
    EXPECT_EQ(rig.trace.lines, (Lines{kRequestData, "OnChange 'AZ5'"}));
}

TEST(ClientConversation, ClosedLinkIgnoresNoticesAndQueuedWorkOutlivesIt) {
    Rig rig;
    rig.transport.listener->change_notice(kTrackerItem);
    rig.transport.listener->conversation_ended();
    rig.run_queue();
    EXPECT_TRUE(rig.trace.lines.empty());

    rig.open_with("AZ1");
    rig.transport.listener->change_notice(kTrackerItem);
    rig.trace.lines.clear();
    rig.conv.reset();
    EXPECT_EQ(rig.transport.listener, nullptr);
    rig.run_queue();
    EXPECT_EQ(rig.trace.lines, (Lines{"disconnect"}));
}

} // namespace
} // namespace dopplex
