#include "scenario.h"

#include <gtest/gtest.h>

#include <sstream>

namespace dopplex {
namespace {

Scenario parse(const std::string& text) {
    std::istringstream in(text);
    return ParseScenario(in);
}

struct BadCase {
    const char* name;
    const char* text;
    int line;
    const char* message;
};

class BadLine : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadLine, FailsWithItsLineNumberAndAClearMessage) {
    try {
        parse(GetParam().text);
        FAIL() << "accepted";
    } catch (const ScenarioError& e) {
        EXPECT_EQ(e.line(), GetParam().line);
        EXPECT_EQ(std::string(e.what()),
                  "line " + std::to_string(GetParam().line) + ": " + GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Script, BadLine,
    ::testing::Values(
        BadCase{"UnknownCommand", "frobnicate 3\n", 1, "unknown command 'frobnicate'"},
        BadCase{"UnknownVerb", "at 10 jump Button2\n", 1, "unknown command 'jump'"},
        BadCase{"CountsCommentsAndBlankLines", "# header\n\n   \nat x dump\n", 4,
                "'x' is not a time in milliseconds"},
        BadCase{"NegativeTime", "at -5 dump\n", 1, "'-5' is not a time in milliseconds"},
        BadCase{"FractionalTime", "at 1.5 dump\n", 1, "'1.5' is not a time in milliseconds"},
        BadCase{"MissingTime", "at\n", 1, "'' is not a time in milliseconds"},
        BadCase{"TimeGoesBackwards", "at 100 dump\nat 50 dump\n", 2, "time goes backwards"},
        BadCase{"NotClickable", "at 0 click Edit1\n", 1,
                "'Edit1' is not a control that takes a click"},
        BadCase{"NoSuchButton", "at 0 click Button26\n", 1,
                "'Button26' is not a control that takes a click"},
        BadCase{"ClickWithoutControl", "at 0 click\n", 1, "'' is not a control that takes a click"},
        BadCase{"TypeIntoAButton", "at 0 type Button2 12\n", 1, "'Button2' is not an edit field"},
        BadCase{"TypeIntoEdit26", "at 0 type Edit26 12\n", 1, "'Edit26' is not an edit field"},
        BadCase{"TypeIntoEdit0", "at 0 type Edit0 12\n", 1, "'Edit0' is not an edit field"},
        BadCase{"KeyNotANumber", "at 0 key up\n", 1, "'up' is not a virtual key code (0 to 255)"},
        BadCase{"KeyTooLarge", "at 0 key 99999999999\n", 1,
                "'99999999999' is not a virtual key code (0 to 255)"},
        BadCase{"SysKeyTooLarge", "at 0 syskey 256\n", 1,
                "'256' is not a virtual key code (0 to 255)"},
        BadCase{"DumpWithArgument", "at 0 dump all\n", 1, "dump takes no argument"},
        BadCase{"LinkSideways", "at 0 link sideways\n", 1, "link takes open or close"},
        BadCase{"SetOther", "set speed 5\n", 1, "'speed' cannot be set"},
        BadCase{"SetReportNotANumber", "set report_ms long\n", 1,
                "'long' is not a time in milliseconds"},
        BadCase{"StepNotARadiosStep", "set step rx 300\n", 1,
                "300 Hz is not a step (10, 25, 100, 1000, 2500, 5000, 6250 or 12500 Hz)"},
        BadCase{"StepWithoutSide", "set step 100\n", 1, "step takes rx or tx, then a number"},
        BadCase{"PressTooShort", "set press_ms tx 20\n", 1, "20 ms is outside 30 to 1000 ms"},
        BadCase{"GapNotANumber", "set gap_ms rx long\n", 1, "'long' is not a whole number"},
        BadCase{"TrackingOther", "set tracking open\n", 1, "tracking takes closed or classic"},
        BadCase{"LockOther", "set lock on\n", 1, "lock takes off, inverting or noninverting"},
        BadCase{"StartAtAosOther", "set start_at_aos yes\n", 1, "start_at_aos takes on or off"},
        BadCase{"UntilBeforeLastCommand", "at 100 dump\nuntil 50\n", 2,
                "until lies before the last command"},
        BadCase{"WindowsLineEnds", "at 0 dump\r\nat 0 fly\r\n", 2, "unknown command 'fly'"}),
    [](const auto& info) { return std::string(info.param.name); });

// Times far enough out to overflow the engine's clock arithmetic are refused.
INSTANTIATE_TEST_SUITE_P(
    TimeLimit, BadLine,
    ::testing::Values(BadCase{"AtJustPastTheLongestRun", "at 1000000000 dump\nat 1000000001 dump\n",
                              2, "'1000000001' is beyond the longest run, 1000000000 ms"},
                      BadCase{"ReportForEver", "set report_ms 9223372036854775807\n", 1,
                              "'9223372036854775807' is beyond the longest run, 1000000000 ms"},
                      BadCase{"UntilPastTheClock", "until 99999999999999999999\n", 1,
                              "'99999999999999999999' is beyond the longest run, 1000000000 ms"}),
    [](const auto& info) { return std::string(info.param.name); });

// A CAT radio runs only as a model in virtual time, and only under the closed loop.
INSTANTIATE_TEST_SUITE_P(
    Radio, BadLine,
    ::testing::Values(
        BadCase{"BadAddress", "set tracking closed\nset radio rx cat:radio\n", 2,
                "\"cat:radio\" is not a radio: the port is missing (buttons or "
                "cat:HOST:PORT[:VFO])"},
        BadCase{"LiveRigctld", "set tracking closed\nset radio tx cat:127.0.0.1:4532\n", 2,
                "a live rigctld answers in real time; the scenario runner runs in virtual time: "
                "use cat:model"},
        BadCase{"ClassicTracking", "set radio rx cat:model\n", 1,
                "a CAT radio follows the closed loop: set tracking closed"},
        BadCase{"ClassicChosenAfterTheRadio",
                "set tracking closed\nset radio tx cat:model:5\nset tracking classic\n", 2,
                "a CAT radio follows the closed loop: set tracking closed"},
        BadCase{"NoSide", "set tracking closed\nset radio cat:model\n", 2,
                "radio takes rx or tx, then buttons, cat:model[:EACH_WAY_MS] or "
                "cat:HOST:PORT[:VFO]"},
        BadCase{"ModelTimeNotANumber", "set radio rx cat:model:fast\n", 1,
                "'fast' is not a model radio's time each way (0 to 10000 ms)"},
        BadCase{"KnobOfPushButtons",
                "set tracking closed\nset radio rx cat:model\nat 100 knob tx 500\n", 3,
                "the TX side has no radio with a knob: set radio tx cat:model"},
        BadCase{"KnobNotAWholeNumber", "at 100 knob rx 1.5k\n", 1,
                "knob takes rx or tx, then a whole number of Hz (-10000000 to 10000000)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScenarioParse, KeepsTheRestOfTheLineVerbatim) {
    const Scenario s = parse("set report_ms 250\n"
                             "  # indented comment\n"
                             "at 0 tracking  SN\"AO-51\" EL5 \n"
                             "at 0 tracking\n"
                             "at 10 type Edit1 4.367750E8 \n"
                             "at 20 key 38\r\n"
                             "at 30 link open\n"
                             "until 40\n");
    EXPECT_EQ(s.report_ms, 250);
    EXPECT_EQ(s.until, 40);
    ASSERT_EQ(s.steps.size(), 5u);
    EXPECT_EQ(s.steps[0].text, " SN\"AO-51\" EL5 ");
    EXPECT_EQ(s.steps[0].line, 3);
    EXPECT_EQ(s.steps[1].text, "");
    EXPECT_EQ(s.steps[2].target, "Edit1");
    EXPECT_EQ(s.steps[2].text, "4.367750E8 ");
    EXPECT_EQ(s.steps[3].verb, "key");
    EXPECT_EQ(s.steps[3].target, "38");
    EXPECT_EQ(s.steps[4].target, "open");
    EXPECT_EQ(s.steps[4].t, 30);
}

TEST(ScenarioParse, LoopSettingsGoToTheirSide) {
    const Scenario s = parse("set tracking closed\n"
                             "set step tx 6250\n"
                             "set press_ms rx 60\n"
                             "set gap_ms tx 1000\n"
                             "set start_at_aos on\n"
                             "set lock inverting\n");
    EXPECT_EQ(s.tracking, TrackingMode::Closed);
    EXPECT_EQ(s.loop.side(Side::Tx).step_hz, 6250);
    EXPECT_EQ(s.loop.side(Side::Rx).step_hz, 100);
    EXPECT_EQ(s.loop.side(Side::Rx).press_ms, 60);
    EXPECT_EQ(s.loop.side(Side::Tx).press_ms, 200);
    EXPECT_EQ(s.loop.side(Side::Tx).gap_ms, 1000);
    EXPECT_TRUE(s.loop.start_at_aos);
    EXPECT_EQ(s.loop.lock, OffsetLock::Inverting);
}

TEST(ScenarioParse, RadiosGoToTheirSideAndButtonsTakeOneBack) {
    const Scenario s = parse("set tracking closed\n"
                             "set radio rx cat:model:150\n"
                             "set radio tx cat:model\n"
                             "set radio tx buttons\n"
                             "at 10 knob rx -2500\n");
    ASSERT_TRUE(s.radios[0]);
    EXPECT_EQ(s.radios[0]->each_way_ms, 150);
    EXPECT_EQ(s.radios[0]->line, 2);
    EXPECT_FALSE(s.radios[1]);
    const KnobTurn turn = ParseKnobTurn(s.steps.at(0).text, 5);
    EXPECT_EQ(turn.side, Side::Rx);
    EXPECT_EQ(turn.hz, -2500);
}

TEST(ScenarioParse, EqualTimesAndAnEmptyScenarioAreFine) {
    EXPECT_EQ(parse("at 5 dump\nat 5 click Button2\n").steps.size(), 2u);
    const Scenario empty = parse("# nothing\n\n");
    EXPECT_TRUE(empty.steps.empty());
    EXPECT_EQ(empty.until, -1);
    EXPECT_EQ(empty.report_ms, 0);
}

} // namespace
} // namespace dopplex
