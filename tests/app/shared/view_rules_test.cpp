// The shared rules of the windows: which key becomes which input, and the readouts' words.
#include "command_line.h"
#include "help_words.h"
#include "key_rules.h"
#include "led_legend.h"
#include "readout_text.h"

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
    const port::PortStatus fallback{"virtual (no hardware)", PortHealth::Fallback, 0x0, "no",
                                    "inpout at 0x378 (inpoutx64.dll)"};
    const port::PortStatus unnamed{"virtual (no hardware)", PortHealth::Fallback, 0x0, "no"};
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
    for (const TrainRow& row : trains)
        EXPECT_EQ(train_text(row.progress), row.text);

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
    };
    for (const DialRow& row : dials)
        EXPECT_EQ(dial_text(row.reading), row.text);
}

// Each system's --help names what its build does: the default port agrees with the port line,
// and no word of the other system's link, log or signals shows.
TEST(UsageText, EachSystemItsOwnWords) {
    const test::HelpWords rows[] = {
        {true,
         {"without either: inpout at 0x378", "inpoutx64.dll", "administrator", "--port virtual",
          "DDE conversation", "Port in use now: virtual, since inpout"},
         {"without either: virtual", "$XDG", "/tmp/dopplex", "SIGTERM", "ppdev on"}},
        {false,
         {"ppdev on /dev/parport0 when it exists", "$XDG_RUNTIME_DIR", "SIGTERM"},
         {"inpoutx64.dll", "DDE", "Ctrl+C"}},
    };
    for (const test::HelpWords& row : rows)
        test::expect_help_words(usage_text("virtual, since inpout at 0x378 failed", row.windows),
                                row);
}
