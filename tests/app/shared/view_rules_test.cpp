// The shared rules of the windows: which key becomes which input, and the readouts' words.
#include "command_line.h"
#include "core/tracker/link/fake_link.h"
#include "help_words.h"
#include "key_rules.h"
#include "led_legend.h"
#include "link_status.h"
#include "live_text.h"
#include "readout_text.h"
#include "reference_check.h"
#include "source_mark.h"
#include "start_up.h"
#include "window_layout.h"

#include <gtest/gtest.h>

using namespace dopplex;
using namespace dopplex::app;
using Kind = KeyAction::Kind;

TEST(KeyRules, EachKeyInEachPlace) {
    struct Row {
        KeyPress press;
        KeyAction action;
    };
    const Row rows[] = {
        // Arrows go wherever the focus is, even outside the main window.
        {{kVkUp, false, false, false, {}}, {Kind::KeyDown, kVkUp, {}}},
        {{kVkLeft, false, true, false, "Button2"}, {Kind::KeyDown, kVkLeft, {}}},
        {{kVkDown, true, true, false, {}}, {Kind::SysKeyDown, kVkDown, {}}},
        {{kVkRight, true, false, false, {}}, {Kind::SysKeyDown, kVkRight, {}}},
        // Enter clicks the focused button, else the default one, only in the main window.
        {{kVkReturn, false, true, false, "Button12"}, {Kind::Click, 0, "Button12"}},
        {{kVkReturn, false, true, false, {}}, {Kind::Click, 0, "Button7"}},
        {{kVkReturn, true, true, false, {}}, {Kind::Click, 0, "Button7"}},
        {{kVkReturn, false, false, false, {}}, {}},
        // Nothing while a report is open; other keys are the toolkit's.
        {{kVkUp, false, true, true, {}}, {}},
        {{kVkReturn, false, true, true, "Button12"}, {}},
        {{36, false, true, false, {}}, {}},
        {{41, false, true, false, {}}, {}},
        {{0, false, true, false, {}}, {}},
        // The loop panel's entries keep their keys: an arrow moves the caret, not the radio.
        {{kVkLeft, false, true, false, {}, true}, {}},
        {{kVkReturn, false, true, false, {}, true}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "key " << row.press.virtual_key << " alt " << row.press.alt << " main "
                     << row.press.in_main_window << " modal " << row.press.modal_open);
        EXPECT_EQ(key_action(row.press), row.action);
    }
}

TEST(LedLegend, WordsUnderTheLeds) {
    using port::PortHealth;
    struct Row {
        const port::PortStatus* status;
        const char* port_line;
        const char* lines;
        bool healthy;
    };
    const port::PortStatus fresh{"virtual (no hardware)", PortHealth::Ok, std::nullopt, ""};
    const port::PortStatus written{"trace to x", PortHealth::Recovered, 0x91, "reopened"};
    const port::PortStatus failed{"ppdev /dev/parport0", PortHealth::Failed, std::nullopt, "gone"};
    const port::PortStatus fallback{
        "virtual (no hardware)",          PortHealth::Fallback, 0x0, "no", "",
        "inpout at 0x378 (inpoutx64.dll)"};
    const port::PortStatus unnamed{"virtual (no hardware)", PortHealth::Fallback, 0x0, "no"};
    const port::PortStatus slow{"virtual (no hardware)", PortHealth::Ok, 0x0, "",
                                "timing: normal priority"};
    const port::PortStatus slow_fallback{"virtual (no hardware)",   PortHealth::Fallback, 0x0, "no",
                                         "timing: normal priority", "ppdev /dev/parport0"};
    const Row rows[] = {
        {nullptr, "Port: opening...", "lines 0x00", true},
        {&fresh, "Port: virtual (no hardware)  -  ok", "nothing written yet", true},
        {&written, "Port: trace to x  -  reopened", "lines 0x91", true},
        {&failed, "Port: ppdev /dev/parport0  -  FAILED, lines unknown", "lines ?", false},
        {&fallback,
         "Port: virtual (no hardware)  -  inpout at 0x378 (inpoutx64.dll) could not be opened",
         "lines 0x00", false},
        {&unnamed, "Port: virtual (no hardware)  -  the chosen port could not be opened",
         "lines 0x00", false},
        {&slow, "Port: virtual (no hardware)  -  ok  -  timing: normal priority", "lines 0x00",
         true},
        {&slow_fallback,
         "Port: virtual (no hardware)  -  ppdev /dev/parport0 could not be opened  -  timing: "
         "normal priority",
         "lines 0x00", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.port_line);
        EXPECT_EQ(port_status_line(row.status), row.port_line);
        EXPECT_EQ(lines_text(row.status), row.lines);
        EXPECT_EQ(port_healthy(row.status), row.healthy);
    }
}

TEST(ReadoutText, TrainsAndDials) {
    struct TrainRow {
        TrainProgress progress;
        const char* text;
    };
    const TrainRow trains[] = {
        {{Channel::RxUp, 25, 94, 7001, true}, "UP 25 / 94 pulses, 8 s left"},
        {{Channel::TxDown, 0, 3, 0, true}, "DOWN 0 / 3 pulses, 0 s left"},
        {{Channel::RxDown, 94, 94, 0, false}, "DOWN 94 / 94 pulses, done"},
        {{Channel::TxUp, 12, 94, 0, false}, "UP 12 / 94 pulses, ended"},
    };
    for (const TrainRow& row : trains) {
        EXPECT_EQ(train_text(row.progress), row.text);
    }

    struct DialRow {
        DialReading reading;
        const char* text;
    };
    const DialRow dials[] = {
        {{Side::Rx, std::nullopt, std::nullopt}, "Dial estimate\nno reference"},
        {{Side::Tx, 145825000.0, std::nullopt}, "Dial estimate\n145825000 Hz"},
        {{Side::Rx, 435300100.0, 100.0}, "Dial estimate\n435300100 Hz\n+100 Hz off"},
        {{Side::Rx, 435299900.0, -100.0}, "Dial estimate\n435299900 Hz\n-100 Hz off"},
        {{Side::Rx, 435300000.0, 0.0}, "Dial estimate\n435300000 Hz\n0 Hz off"},
        {{Side::Tx, 145825200.0, 25.0, 200.0}, "Offset +200 Hz\n145825200 Hz\n+25 Hz off"},
        {{Side::Rx, 435299900.0, -50.0, -200.0}, "Offset -200 Hz\n435299900 Hz\n-50 Hz off"},
    };
    for (const DialRow& row : dials) {
        EXPECT_EQ(dial_text(row.reading), row.text);
    }
}

TEST(StartUp, EndsBeforeAnyWindowOrGoesOn) {
    struct Row {
        std::vector<std::string> arguments;
        std::optional<std::string> environment;
        std::optional<int> exit_status;
        bool error;
        const char* said; // within what was said; "" when nothing was
    };
    const Row rows[] = {
        {{"--bogus"}, std::nullopt, 2, true, "dopplex: "},
        {{"--version"}, std::nullopt, 0, false, "dopplex "},
        {{"--port", "bogus"}, std::nullopt, 2, true, "dopplex: "},
        {{"--help"}, "trace:/tmp/start.log", 0, false, "Port in use now: trace to /tmp/start.log"},
        {{"--port", "virtual", "--no-log"}, "trace:/tmp/start.log", std::nullopt, false, ""},
    };
    for (const Row& row : rows) {
        std::string said;
        bool error = false;
        const StartUp start =
            start_up(row.arguments, row.environment, false, [&](const std::string& text, bool e) {
                said += text;
                error = e;
            });
        EXPECT_EQ(start.exit_status, row.exit_status) << row.arguments.front();
        EXPECT_EQ(error, row.error) << row.arguments.front();
        EXPECT_EQ(said.empty(), *row.said == '\0') << said;
        EXPECT_NE(said.find(row.said), std::string::npos) << said;
    }
}

TEST(LiveText, UpdateOrWhyNot) {
    constexpr std::int64_t kAt = 1796631605000; // 2026-12-07 08:20:05 UTC
    const std::pair<const char*, const char*> rows[] = {
        {"SN\"AO-51\" AZ123.4 EL12.46 DN436775300 UP145825000",
         "Live  EL 12.5\u00b0  DN 436775300 Hz  UP 145825000 Hz  at 08:20:05 UTC"},
        {"SN\"AO-51\" AZ123.4 EL-1.96 DN436775300.4 UP145825000",
         "Live  EL -2.0\u00b0  DN 436775300 Hz  UP 145825000 Hz  at 08:20:05 UTC"},
        {"SN\"AO-51\" EL12.5 DN1e999", "Live  unreadable update at 08:20:05 UTC: "},
    };
    for (const auto& [record, text] : rows) {
        EXPECT_TRUE(live_text(record, kAt).starts_with(text)) << live_text(record, kAt);
    }
}

// Each system's --help names what its build does: the default port agrees with the port line,
// and no word of the other system's link, log or signals shows.
TEST(CommandLine, WordsOfTheWindowPrograms) {
    const struct {
        std::vector<std::string> args;
        bool help;
        std::optional<std::string> port;
        bool error;
    } rows[] = {
        {{}, false, std::nullopt, false},
        {{"--help"}, true, std::nullopt, false},
        {{"--port", "trace:/tmp/x"}, false, "trace:/tmp/x", false},
        {{"--port=virtual"}, false, "virtual", false},
        {{"--port"}, false, std::nullopt, true},
        {{"--bogus"}, false, std::nullopt, true},
    };
    for (const auto& row : rows) {
        const CommandLine line = parse_command_line(row.args);
        EXPECT_EQ(line.help, row.help);
        EXPECT_EQ(line.port, row.port);
        EXPECT_EQ(!line.error.empty(), row.error);
    }
    EXPECT_TRUE(parse_command_line({"--no-log"}).no_log);
    const struct {
        std::vector<std::string> args;
        std::optional<TrackingMode> tracking;
        bool error;
    } modes[] = {
        {{"--tracking", "closed"}, TrackingMode::Closed, false},
        {{"--tracking=classic"}, TrackingMode::Classic, false},
        {{"--tracking", "open"}, std::nullopt, true},
        {{"--tracking"}, std::nullopt, true},
    };
    for (const auto& row : modes) {
        const CommandLine line = parse_command_line(row.args);
        EXPECT_EQ(line.tracking, row.tracking);
        EXPECT_EQ(!line.error.empty(), row.error);
    }
    const struct {
        std::vector<std::string> args;
        std::map<Side, std::optional<CatAddress>> radios;
        std::string error;
    } radios[] = {
        {{"--rx-radio", "cat:127.0.0.1:4540"}, {{Side::Rx, CatAddress{"127.0.0.1", 4540, ""}}}, ""},
        {{"--tx-radio=buttons", "--rx-radio=cat:rig:4541:VFOB"},
         {{Side::Tx, std::nullopt}, {Side::Rx, CatAddress{"rig", 4541, "VFOB"}}},
         ""},
        {{"--rx-radio", "cat:127.0.0.1"}, {}, "--rx-radio: \"cat:127.0.0.1\" is not a radio"},
        {{"--tx-radio"}, {}, "--tx-radio needs a value"},
    };
    for (const auto& row : radios) {
        const CommandLine line = parse_command_line(row.args);
        EXPECT_EQ(line.radios, row.radios);
        EXPECT_EQ(line.error.substr(0, row.error.size()), row.error);
        EXPECT_EQ(line.error.empty(), row.error.empty());
    }
    const std::string usage = usage_text("virtual (no hardware)");
    EXPECT_TRUE(usage.find("--port SPEC") != std::string::npos);
    EXPECT_TRUE(usage.find("Port in use now: virtual (no hardware)") != std::string::npos);
}

TEST(UsageText, EachSystemItsOwnWords) {
    const test::HelpWords rows[] = {
        {true,
         {"without either: inpout at 0x378", "inpoutx64.dll", "administrator", "--port virtual",
          "DDE conversation", "Port in use now: virtual, since inpout",
          "%LOCALAPPDATA%\\Dopplex\\passes", "--tracking MODE", "--rx-radio cat:HOST:PORT[:VFO]"},
         {"without either: virtual", "--demo", "$XDG", "/tmp/dopplex", "SIGTERM", "ppdev on"}},
        {false,
         {"ppdev on /dev/parport0 when it exists", "$XDG_RUNTIME_DIR", "SIGTERM", "--tracking MODE",
          "[--no-log] [--demo] [--help]", "--tx-radio RADIO"},
         {"inpoutx64.dll", "DDE", "Ctrl+C"}},
    };
    for (const test::HelpWords& row : rows) {
        test::expect_help_words(usage_text("virtual, since inpout at 0x378 failed", row.windows),
                                row);
    }
}

// The link status through a click on "Closed": a launch that brought no tracker keeps its reason
// over the failed connect that follows it, and only that one; an open conversation replaces it.
TEST(LinkStatus, LaunchReasonOutlivesTheFailedConnect) {
    test::Trace trace;
    test::FakeTransport inner(trace);
    StatusTransport status(inner);
    std::vector<std::string> heard;
    status.set_status_listener([&heard](const std::string& text) { heard.push_back(text); });
    const std::string started = "\"orbitron\" started but does not answer over DDE yet";
    inner.connect_results = {false, false, false, true};
    status.connect("Orbitron", "Tracking");
    status.explain(started);
    status.connect("Orbitron", "Tracking");
    status.connect("Orbitron", "Tracking");
    status.connect("Orbitron", "Tracking");
    EXPECT_EQ(heard, (std::vector<std::string>{"No tracker answers as Orbitron Tracking", started,
                                               "No tracker answers as Orbitron Tracking",
                                               "Conversation with Orbitron Tracking open"}));
}

// A reference either reads right, or gets a hint with an example in the form that was typed.
TEST(ReferenceCheck, TypedTextToHint) {
    struct Row {
        const char* typed;
        double tracker_hz;
        const char* hint; // nullptr: reads right
    };
    const Row rows[] = {
        {"1.459200E8", 0, nullptr},
        {"4.353000E8", 435309394, nullptr},
        {" 145920000 ", 145917000, nullptr},
        {"1.0E6", 0, nullptr},
        {"1.0E10", 0, nullptr},
        {"145.92", 0, "145.92 reads as 145.92 Hz; type 1.459200E8 for 145.920 MHz"},
        {"145920", 0, "145920 reads as 145920 Hz; type 1.459200E8 for 145.920 MHz"},
        {"1.4592", 145917000, "1.4592 reads as 1.4592 Hz; type 1.459200E8 for 145.920 MHz"},
        {"2.4E11", 0,
         "2.4E11 reads as 240000000000 Hz; type the frequency in Hz, such as 4.353000E8 for "
         "435.300 MHz"},
        {"0", 0, "0 reads as 0 Hz; type the frequency in Hz, such as 4.353000E8 for 435.300 MHz"},
        {"4,353E8", 0,
         "4,353E8 does not read as a number: the decimal separator is a point; type "
         "4.353000E8 for 435.300 MHz"},
        {"1.459200E7", 145917000,
         "1.459200E7 reads as 14.592 MHz, 10 times below the tracker's 145.917 MHz: check the "
         "exponent; type 1.459200E8 for 145.920 MHz"},
        {"4.353E9", 435300000,
         "4.353E9 reads as 4353.000 MHz, 10 times above the tracker's 435.300 MHz: check the "
         "exponent; type 4.353000E8 for 435.300 MHz"},
        {"1.459200E7", 0, nullptr},         // 14.592 MHz may be meant without a tracker
        {"1.459200E8", 435300000, nullptr}, // the other side's band: no power of ten off
        {"4.353E8x", 0,
         "4.353E8x is not a frequency: type the frequency in Hz, such as "
         "4.353000E8 for 435.300 MHz"},
        {"Enter Freq E8", 0,
         "No reference yet: type the frequency in Hz, such as 4.353000E8 "
         "for 435.300 MHz"},
        {"", 0, "No reference yet: type the frequency in Hz, such as 4.353000E8 for 435.300 MHz"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        const std::optional<std::string> hint = reference_hint(row.typed, row.tracker_hz);
        if (row.hint) {
            EXPECT_EQ(hint.value_or("(reads right)"), row.hint);
        } else {
            EXPECT_EQ(hint, std::nullopt);
        }
    }
    // The field shows the prompt unmarked, and follows the tracker's frequency as displayed.
    ReferenceMarks marks;
    EXPECT_EQ(marks.hint(Side::Rx, "Enter Freq E8"), std::nullopt);
    EXPECT_EQ(marks.hint(Side::Tx, "1.459200E7"), std::nullopt);
    EXPECT_TRUE(marks.follow("l_uf", "   145917000 Hz"));
    EXPECT_FALSE(marks.follow("Edit13", "1.459200E7"));
    EXPECT_NE(marks.hint(Side::Tx, "1.459200E7"), std::nullopt);
    EXPECT_EQ(marks.hint(Side::Rx, "1.459200E7"), std::nullopt);
}

TEST(SourceMark, FollowsTheReceivedString) {
    SourceMark mark;
    mark.follow("l_dd", "Opened");
    mark.follow("l_st", "SN\"AO-51\" EL5.0");
    EXPECT_EQ(mark.link_state(), "Opened");
    EXPECT_EQ(mark.title(), std::string(kWindowCaption));
    mark.follow("l_st", "SN\"AO-51\" EL5.0 SIMULATED\"REPLAY\"");
    EXPECT_EQ(mark.link_state(), "SIMULATED PASS");
    EXPECT_EQ(mark.title(), "SIMULATED PASS - " + std::string(kWindowCaption));
    EXPECT_EQ(mark.link_hint(),
              "Opened: the tracker plays a recorded pass (SIMULATED\"REPLAY\"); no satellite is "
              "there.");
    mark.follow("l_dd", "Closed");
    mark.follow("l_st", "No data");
    EXPECT_EQ(mark.link_state(), "Closed");
    EXPECT_TRUE(mark.served_simulated_pass());
}
