// Start-up, the tracker link as the window sees it, and Exit, in virtual time with a scripted
// transport.
#include "classic/tfmain.h"
#include "core/tracker/link/fake_link.h"
#include "keying/recording_port.h"
#include "runtime/event_loop.h"
#include "runtime/virtual_host.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace dopplex {
namespace {

class FakeSettings : public SettingsStore {
public:
    bool key_available = true;
    std::string read_error; // raised as SettingsReadError when set
    std::set<std::string> keys;
    std::map<std::string, SettingsValue> values; // by value name, under the one key

    bool open_or_create_key(const std::string& key) override {
        if (!read_error.empty()) {
            throw SettingsReadError(read_error);
        }
        if (key_available) {
            keys.insert(key);
        }
        return key_available;
    }
    SettingsValue read_value(const std::string&, const std::string& name) override {
        auto it = values.find(name);
        return it == values.end() ? SettingsValue{} : it->second;
    }
};

constexpr const char* kAbove =
    "SN\"AO-91\" AZ123.4 EL12.3 DN436778400 UP145917000 UM\"FM\" DM\"FM\" AOS\"12:34\"";

class StartupTest : public ::testing::Test {
protected:
    StartupTest() : transport(trace), launcher(trace), loop(host), port(host), form(loop, port) {
        form.attach_link(LinkServices{transport, launcher, settings,
                                      [this](const std::string& f) { return files.count(f) > 0; },
                                      [this](const std::string& d) { cwd = d; },
                                      "/opt/dopplex/dopplex", '/'});
        form.on_close = [this] { closed = true; };
    }

    void create() {
        loop.guarded([&] { form.FormCreate(); });
    }

    // The link services outlive the window that holds the conversation.
    test::Trace trace;
    test::FakeTransport transport;
    test::FakeLauncher launcher;
    FakeSettings settings;
    VirtualHost host;
    EventLoop loop;
    RecordingPort port;
    TFMain form;
    std::set<std::string> files;
    std::string cwd;
    bool closed = false;
};

TEST_F(StartupTest, RunningTrackerOpensAndShowsTheFirstTextWithinStartUp) {
    transport.connect_results = {true};
    transport.request_results = {std::string(kAbove)};
    create();
    EXPECT_EQ(form.l_dd.text(), "Opened");
    EXPECT_EQ(form.l_st.text(), kAbove);
    EXPECT_EQ(form.l_na.text(), "AO-91");
    EXPECT_EQ(form.l_aos.text(), "AOS (12:34)");
    EXPECT_TRUE(form.Button1.enabled()) << "the supervisor ran on the first text";
    EXPECT_EQ(form.AppDir, "/opt/dopplex/");
    EXPECT_EQ(cwd, "/opt/dopplex/");
    EXPECT_EQ(trace.lines, (std::vector<std::string>{"connect Orbitron Tracking ok",
                                                     "subscribe TrackingDataEx 1000 ok",
                                                     "request TrackingDataEx 1000 data"}));
}

struct LocateCase {
    const char* name;
    bool exe_beside_program;
    bool key_available;
    std::optional<SettingsValue> path;
    const char* launched;
};

class LocateTest : public StartupTest, public ::testing::WithParamInterface<LocateCase> {};

TEST_P(LocateTest, AbsentTrackerIsLaunchedFromWhereItWasFound) {
    const LocateCase& c = GetParam();
    if (c.exe_beside_program) {
        files.insert("/opt/dopplex/Orbitron.exe");
    }
    settings.key_available = c.key_available;
    if (c.path) {
        settings.values["Path"] = *c.path;
    }
    transport.connect_results = {false, false};
    create();
    EXPECT_EQ(trace.lines, (std::vector<std::string>{"connect Orbitron Tracking fail",
                                                     std::string("launch ") + c.launched,
                                                     "connect Orbitron Tracking fail"}));
    EXPECT_EQ(settings.keys.count("Software\\Stoff\\Orbitron"),
              (!c.exe_beside_program && c.key_available) ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Locations, LocateTest,
    ::testing::Values(LocateCase{"beside", true, true,
                                 SettingsValue{SettingsValue::Type::Text, "/x/"}, "orbitron"},
                      LocateCase{"no_key_value", false, true, std::nullopt, "orbitron"},
                      LocateCase{"key_unavailable", false, false, std::nullopt, "orbitron"},
                      LocateCase{"text_path", false, true,
                                 SettingsValue{SettingsValue::Type::Text, "/opt/orbitron/"},
                                 "/opt/orbitron/orbitron"},
                      LocateCase{"no_trailing_separator", false, true,
                                 SettingsValue{SettingsValue::Type::Text, "/opt/orb"},
                                 "/opt/orborbitron"},
                      LocateCase{"expandable_unexpanded", false, true,
                                 SettingsValue{SettingsValue::Type::ExpandableText, "$HOME/orb/"},
                                 "$HOME/orb/orbitron"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartupTest, NonTextPathIsReportedAndTheLinkIsNotOpened) {
    settings.values["Path"] = SettingsValue{SettingsValue::Type::Other, ""};
    create();
    ASSERT_EQ(host.reports().size(), 1u);
    EXPECT_EQ(host.reports()[0].text, "Invalid data type for 'Path'");
    EXPECT_TRUE(trace.lines.empty());
    EXPECT_EQ(form.l_dd.text(), "Closed");
    // The operator opens it by clicking the status label.
    transport.connect_results = {true};
    transport.request_results = {std::string(kAbove)};
    loop.post(
        EventKind::Input, [&] { form.Click("l_dd"); }, 100);
    loop.run(200);
    EXPECT_EQ(form.l_dd.text(), "Opened");
    EXPECT_EQ(form.l_na.text(), "AO-91");
}

TEST_F(StartupTest, UnreadableSettingsAreReportedThenTheTrackerIsStartedByName) {
    settings.read_error = "Cannot read the settings file /home/op/registry: Input/output error";
    transport.connect_results = {false, false};
    create();
    ASSERT_EQ(host.reports().size(), 1u);
    EXPECT_EQ(host.reports()[0].text, settings.read_error + ".");
    EXPECT_EQ(trace.lines,
              (std::vector<std::string>{"connect Orbitron Tracking fail", "launch orbitron",
                                        "connect Orbitron Tracking fail"}));
}

TEST_F(StartupTest, UnlaunchableTrackerLeavesClosedAndClearsTheRecord) {
    transport.connect_results = {false};
    launcher.result = 2;
    create();
    EXPECT_EQ(trace.lines,
              (std::vector<std::string>{"connect Orbitron Tracking fail", "launch orbitron"}));
    EXPECT_EQ(form.l_dd.text(), "Closed");
    EXPECT_EQ(form.l_st.text(), "No data");
    EXPECT_EQ(form.l_aos.text(), "None");
    EXPECT_TRUE(host.reports().empty());
}

TEST_F(StartupTest, TrackerQuittingClearsTheDisplayWithoutTheSupervisor) {
    transport.connect_results = {true};
    transport.request_results = {std::string(kAbove)};
    create();
    ASSERT_TRUE(form.Button1.enabled());
    transport.listener->conversation_ended();
    loop.run(100);
    EXPECT_EQ(form.l_dd.text(), "Closed");
    EXPECT_EQ(form.l_st.text(), "No data");
    EXPECT_EQ(form.l_na.text(), "");
    EXPECT_EQ(form.l_az.text(), "0.0");
    EXPECT_EQ(form.Edit2.text(), "0.00000");
    EXPECT_EQ(form.l_aos.text(), "None");
    EXPECT_TRUE(form.Button1.enabled()) << "a closed link is not an update";
}

TEST_F(StartupTest, ChangeNoticeFetchesAndRunsTheWholePipeline) {
    transport.connect_results = {true};
    transport.request_results = {std::string(kAbove), std::string("  SN\"X\" EL-2.04\t")};
    create();
    transport.listener->change_notice("TrackingDataEx");
    loop.run(100);
    EXPECT_EQ(form.l_st.text(), "SN\"X\" EL-2.04");
    EXPECT_EQ(form.Edit9.text(), "-2.0");
    EXPECT_TRUE(form.Button22.enabled()) << "the end-of-pass update enables Reset";
}

TEST_F(StartupTest, ClickOnStatusWhileOpenDoesNothing) {
    transport.connect_results = {true};
    transport.request_results = {std::string(kAbove)};
    create();
    const auto before = trace.lines;
    loop.post(
        EventKind::Input, [&] { form.Click("l_dd"); }, 50);
    loop.run(100);
    EXPECT_EQ(trace.lines, before);
}

TEST_F(StartupTest, ExitLowersEveryLineInBitOrderOnlyWithHardwareEnabled) {
    create();
    form.CheckBox1.set_checked(true);
    for (int bit = 0; bit < kChannelCount; ++bit) {
        form.latch.set_flag(static_cast<Channel>(bit), true);
    }
    port.clear();
    form.SpeedButton1Click();
    std::vector<int> values;
    for (const PortWrite& w : port.writes()) {
        values.push_back(w.value);
    }
    EXPECT_EQ(values, (std::vector<int>{254, 252, 248, 240, 224, 192, 128, 0}));
    EXPECT_TRUE(closed);

    closed = false;
    form.CheckBox1.set_checked(false);
    form.latch.set_flag(Channel::AuxChannel, true);
    port.clear();
    form.SpeedButton1Click();
    EXPECT_TRUE(port.writes().empty());
    EXPECT_TRUE(form.latch.flag(Channel::AuxChannel)) << "flags keep their values";
    EXPECT_TRUE(closed);
}

TEST_F(StartupTest, ProgramInTheRootFolderGetsOneSeparator) {
    TFMain root_form(loop, port);
    root_form.attach_link(LinkServices{transport, launcher, settings,
                                       [](const std::string&) { return false; },
                                       [this](const std::string& d) { cwd = d; }, "/dopplex", '/'});
    transport.connect_results = {false};
    launcher.result = 2;
    loop.guarded([&] { root_form.FormCreate(); });
    EXPECT_EQ(root_form.AppDir, "/");
    EXPECT_EQ(cwd, "/");
}

} // namespace
} // namespace dopplex
