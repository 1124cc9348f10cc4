// The core conversation over real DDEML against dopplex-tracker.exe (two Wine processes in one
// prefix under test): opening, notices and requests, ends, refusals, time-outs and texts.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <mutex>
#include <thread>

#include "launcher/win_launcher.h"
#include "link/dde/dde_transport.h"
#include "logged_conversation.h"
#include "tracker/link/client_conversation.h"
#include "tracker/record/simulated_mark.h"

namespace dopplex {
namespace {

// What dopplex-tracker.exe serves of a recorded text: the text, marked as a replay.
std::string served(const std::string& text) {
    return mark_simulated(text, "REPLAY");
}

using Clock = std::chrono::steady_clock;
using Recording = std::vector<std::pair<int, std::string>>;

const std::string kNotLaunchable = "C:\\nonexistent\\orbitron.exe";

class DdeLink : public ::testing::Test {
protected:
    void SetUp() override {
        transport = std::make_unique<link::DdeTransport>();
        launcher = std::make_unique<launch::WinLauncher>(
            [this] { return transport->answers(kTrackerService, kTrackerTopic); });
        conv = test::logged_conversation(*transport, *launcher, queue, item, events);
        conv->ServiceApplication = kNotLaunchable;
    }
    void TearDown() override {
        if (launcher->last_process_id() != 0) {
            children.push_back(
                OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, launcher->last_process_id()));
        }
        // Trackers first: a conversation with a tracker that hangs would hold the disconnect.
        for (HANDLE process : children) {
            if (process == nullptr) {
                continue; // the launched tracker had ended already
            }
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
        conv.reset();
    }

    // The tracker's command line playing a recording: each text at its time in ms.
    std::string tracker_command(const Recording& updates, const std::string& options = "") {
        static int recordings = 0;
        const std::string path =
            std::string(DOPPLEX_SCRATCH) + "/" + std::to_string(++recordings) + ".tracking";
        std::ofstream out(path, std::ios::binary);
        for (const auto& [ms, text] : updates) {
            out << ms << '\t' << text << '\n';
        }
        return "\"" + std::string(DOPPLEX_TRACKER_PATH) + "\" --replay \"" + path + "\" " + options;
    }
    // Starts a tracker and waits until its service answers.
    HANDLE start_tracker(std::string command) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        EXPECT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &process));
        CloseHandle(process.hThread);
        children.push_back(process.hProcess);
        EXPECT_TRUE(test::eventually([&] {
            return transport->answers(kTrackerService, kTrackerTopic);
        })) << "tracker not ready";
        return process.hProcess;
    }
    bool pump_until_event(const std::string& event) {
        return queue.pump_until([&] { return std::ranges::count(events, event) > 0; });
    }

    test::EventQueue queue;
    std::unique_ptr<link::DdeTransport> transport;
    std::unique_ptr<launch::WinLauncher> launcher;
    ClientItem item{kTrackerItem};
    std::unique_ptr<ClientConversation> conv;
    std::vector<std::string> events;
    std::vector<HANDLE> children;
};

// How a row's tracker is there when the link opens.
enum class Tracker { Running, Launched, Absent };

struct OpenCase {
    std::string name;
    Tracker tracker;
    std::string text; // served for a minute
    std::string options;
    bool opens;
    std::vector<std::string> events;
};

class DdeOpen : public DdeLink, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(DdeOpen, OpensWithTheFirstTextOrFailsAsTheEngineExpects) {
    const OpenCase& c = GetParam();
    const std::string command = tracker_command({{0, c.text}, {60000, c.text + " "}}, c.options);
    if (c.tracker == Tracker::Running) {
        start_tracker(command);
    } else if (c.tracker == Tracker::Launched) {
        conv->ServiceApplication = command;
    }
    EXPECT_EQ(conv->OpenConversation(), c.opens);
    EXPECT_EQ(events, c.events);
    // Nothing more arrives: one text per change, none after a refusal.
    EXPECT_FALSE(queue.pump_until([&] { return events.size() > c.events.size(); }, 300));
    if (c.opens) {
        EXPECT_FALSE(conv->OpenConversation()) << "a second open while open";
    }
}

const std::string kBig = "SN\"BIG\" " + std::string(64 * 1024, 'x');
const std::string kHigh = "SN\"\xC4\xE9\xFF\" AZ10.0 DM\"\x80\xA0\"";

INSTANTIATE_TEST_SUITE_P(
    Cases, DdeOpen,
    ::testing::Values(
        OpenCase{"Running",
                 Tracker::Running,
                 "SN\"A\" AZ1.0",
                 "",
                 true,
                 {"OnOpen", "OnChange " + served("SN\"A\" AZ1.0")}},
        OpenCase{"AbsentIsLaunched",
                 Tracker::Launched,
                 "SN\"L\" AZ1.0",
                 "",
                 true,
                 {"OnOpen", "OnChange " + served("SN\"L\" AZ1.0")}},
        OpenCase{"AbsentNotLaunchable", Tracker::Absent, "", "", false, {"OnChange "}},
        OpenCase{"RefusedSubscription",
                 Tracker::Running,
                 "SN\"A\"",
                 "--refuse-subscriptions",
                 true,
                 {"OnChange ", "OnOpen"}},
        OpenCase{
            "Text64KB", Tracker::Running, kBig, "", true, {"OnOpen", "OnChange " + served(kBig)}},
        OpenCase{"BytesAbove127",
                 Tracker::Running,
                 kHigh,
                 "",
                 true,
                 {"OnOpen", "OnChange " + served(kHigh)}}),
    [](const auto& info) { return info.param.name; });

// The tracker ends by itself after its last update, or dies; either way the link closes and a
// click launches a tracker again and brings its texts.
struct EndCase {
    std::string name;
    bool killed;
};

class DdeEnd : public DdeLink, public ::testing::WithParamInterface<EndCase> {};

TEST_P(DdeEnd, TrackerGoneClosesTheLinkAndAClickReopensIt) {
    const HANDLE first = start_tracker(
        tracker_command({{0, "SN\"A\" AZ1.0"}, {200, "SN\"A\" AZ2.0"}, {2500, "SN\"A\" AZ3.0"}}));
    ASSERT_TRUE(conv->OpenConversation());
    EXPECT_TRUE(pump_until_event("OnChange " + served("SN\"A\" AZ2.0")))
        << "a notice brings the next text";
    if (GetParam().killed) {
        TerminateProcess(first, 1);
    }
    ASSERT_TRUE(pump_until_event("OnClose"));
    EXPECT_FALSE(conv->connected());
    EXPECT_EQ(events.back(), "OnClose");

    events.clear();
    conv->ServiceApplication = tracker_command({{0, "SN\"B\" AZ1.0"}, {60000, "SN\"B\" AZ2.0"}});
    EXPECT_TRUE(conv->OpenConversation());
    EXPECT_EQ(events, (std::vector<std::string>{"OnOpen", "OnChange " + served("SN\"B\" AZ1.0")}));
}

INSTANTIATE_TEST_SUITE_P(Cases, DdeEnd,
                         ::testing::Values(EndCase{"QuitsByItself", false},
                                           EndCase{"Killed", true}),
                         [](const auto& info) { return info.param.name; });

TEST_F(DdeLink, UnansweredRequestFailsAfterTheFullTimeOut) {
    start_tracker(tracker_command({{0, "SN\"A\""}, {60000, "SN\"B\""}}, "--ignore-requests"));
    EXPECT_TRUE(conv->OpenConversation());
    EXPECT_EQ(events, std::vector<std::string>{"OnOpen"}) << "the first fetch got nothing";
    const auto start = Clock::now();
    EXPECT_EQ(transport->request(kTrackerItem, kLinkTimeoutMs), std::nullopt);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(kLinkTimeoutMs - 10));
    EXPECT_LT(took, std::chrono::milliseconds(kLinkTimeoutMs + 2000));
    // A closing program does not wait for it.
    transport->interrupt();
    const auto interrupted = Clock::now();
    EXPECT_EQ(transport->request(kTrackerItem, kLinkTimeoutMs), std::nullopt);
    EXPECT_LT(Clock::now() - interrupted, std::chrono::milliseconds(100));
}

// dopplex-dde-bridge.exe with its standard output read line by line; ended when it goes.
class Bridge {
public:
    Bridge() {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE write_end = nullptr;
        EXPECT_TRUE(CreatePipe(&read_end_, &write_end, &inherit, 0));
        SetHandleInformation(read_end_, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = write_end;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        std::string command = "\"" + std::string(DOPPLEX_BRIDGE_PATH) + "\"";
        PROCESS_INFORMATION process{};
        EXPECT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                   nullptr, &startup, &process));
        CloseHandle(write_end);
        CloseHandle(process.hThread);
        process_ = process.hProcess;
        reader_ = std::thread([this] { read(); });
    }
    ~Bridge() {
        TerminateProcess(process_, 0);
        WaitForSingleObject(process_, 5000);
        reader_.join();
        CloseHandle(process_);
        CloseHandle(read_end_);
    }
    Bridge(const Bridge&) = delete;
    Bridge& operator=(const Bridge&) = delete;

    std::vector<std::string> lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    void read() {
        std::string pending;
        char chunk[4096];
        DWORD n = 0;
        while (ReadFile(read_end_, chunk, sizeof chunk, &n, nullptr) && n > 0) {
            pending.append(chunk, n);
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
                std::lock_guard lock(mutex_);
                lines_.push_back(pending.substr(0, end));
                pending.erase(0, end + 1);
            }
        }
    }

    HANDLE read_end_ = nullptr;
    HANDLE process_ = nullptr;
    std::mutex mutex_;
    std::vector<std::string> lines_;
    std::thread reader_;
};

TEST_F(DdeLink, BridgeWritesEachTextAsALineAndReconnects) {
    Bridge bridge; // before any tracker: it keeps trying
    const HANDLE first = start_tracker(tracker_command(
        {{0, "SN\"A\" AZ1.0"}, {2500, "SN\"A\"\tAZ2.0"}, {3500, "SN\"A\"\tAZ2.0"}}));
    const std::vector<std::string> from_first{served("SN\"A\" AZ1.0"), served("SN\"A\" AZ2.0")};
    EXPECT_TRUE(test::eventually([&] { return bridge.lines().size() >= 2; }));
    EXPECT_EQ(bridge.lines(), from_first);
    ASSERT_EQ(WaitForSingleObject(first, 10000), WAIT_OBJECT_0) << "the tracker quits";
    start_tracker(tracker_command({{0, "SN\"B\" AZ1.0"}, {60000, "SN\"B\" AZ2.0"}}));
    EXPECT_TRUE(test::eventually([&] { return bridge.lines().size() >= 3; }));
    std::vector<std::string> all = from_first;
    all.push_back(served("SN\"B\" AZ1.0"));
    EXPECT_EQ(bridge.lines(), all);
}

} // namespace
} // namespace dopplex
