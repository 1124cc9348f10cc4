#include "scenario.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/read_file.h"

namespace dopplex {
namespace {

std::string run(const std::string& scenario_text) {
    std::istringstream in(scenario_text);
    std::ostringstream out;
    RunScenario(ParseScenario(in), out);
    return out.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

const std::string kData = DOPPLEX_SCENARIO_DATA;

// Manual steps, keys, updates and a report that holds a click back: the whole trace.
TEST(ScenarioRun, WholeOutputOfASmallScenario) {
    std::ifstream in(kData + "/manual_steps.scn");
    ASSERT_TRUE(in);
    std::ostringstream out;
    RunScenario(ParseScenario(in), out);
    EXPECT_EQ(out.str(), read_file(kData + "/manual_steps.out"));
}

TEST(ScenarioRun, ADumpShowsTheStateInTheMiddleOfAPulse) {
    const auto lines = lines_of(run("at 0 click CheckBox1\n"
                                    "at 100 click Button20\n"
                                    "at 200 dump\n"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], R"({"t":100,"port":16})");
    EXPECT_NE(lines[1].find(R"({"t":200,"dump":{)"), std::string::npos);
    EXPECT_NE(lines[1].find(R"("TxUp":true)"), std::string::npos);
    EXPECT_EQ(lines[2], R"({"t":300,"port":0})");
    // Without "until" the run ends when the last command's time is reached and the pulse that
    // holds the thread has ended.
    EXPECT_NE(lines[3].find(R"({"t":500,"dump":{)"), std::string::npos);
    EXPECT_NE(lines[3].find(R"("TxUp":false)"), std::string::npos);
}

// "click Stop" cuts the Tune's train at its exact time: the high line goes low there, nothing
// of the chain follows, and the log tells how far it got.
TEST(ScenarioRun, StopCutsTheTrainAtItsTime) {
    const auto lines = lines_of(run("at 0 click CheckBox1\n"
                                    "at 0 type Edit1 4.367750E8\n"
                                    "at 1000 tracking EL10.0 DN436775300\n"
                                    "at 1500 click Button1\n"
                                    "at 2800 click Stop\n"
                                    "until 20000\n"));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], R"({"t":2700,"port":9})");
    EXPECT_EQ(lines[lines.size() - 2], R"({"t":2800,"port":8})");
    EXPECT_NE(
        lines.back().find(R"("lines":["1","Stopped: 0 of 3 pulses sent, one more cut short"])"),
        std::string::npos);
    EXPECT_NE(lines.back().find(R"("RxTuned":false)"), std::string::npos);
}

TEST(ScenarioRun, ReportsAreLinesWithTheirFinalPeriod) {
    const auto lines = lines_of(run("at 0 type Edit9 x\n"
                                    "at 10 tracking AZ1E400\n"
                                    "until 20\n"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], R"({"t":10,"report":"Floating point overflow."})");
    EXPECT_NE(lines[1].find(R"("Edit9":{"text":"x")"), std::string::npos);
}

// Closed mode from the set lines: both loops start at AOS, the TX reference that does not parse
// is said and sends nothing, the RX loop catches up at its own step and press timing, Stop
// lowers its line at once, and an arrow key after the loop is a counted press of its own.
TEST(ScenarioRun, ClosedModeTracesThePressesAndBehind) {
    auto lines = lines_of(run("set tracking closed\n"
                              "set step rx 1000\n"
                              "set press_ms rx 50\n"
                              "set gap_ms rx 50\n"
                              "set start_at_aos on\n"
                              "at 0 type Edit1 4.367750E8\n"
                              "at 0 click CheckBox1\n"
                              "at 2000 tracking SN\"AO-7\" EL1.0 DN436777000 UP145917000\n"
                              "at 2120 click Stop\n"
                              "at 3000 key 38\n"
                              "until 3500\n"));
    std::erase_if(lines, [](const std::string& l) { return l.starts_with(R"({"t":2000,"port")"); });
    const std::string dump = lines.back();
    lines.pop_back();
    const std::string press = R"(,"press":{"side":"rx","direction":"up","source":)";
    EXPECT_EQ(
        lines,
        (std::vector<std::string>{
            R"({"t":2000,"report":"The TX reference 'Enter Freq E8' is not a frequency )"
            R"((type it as 4.353000E8): its loop sends no press."})",
            R"({"t":2000,"behind":{"side":"rx","steps":1}})",
            R"({"t":2000)" + press + R"("loop","dial_hz":436776000}})", R"({"t":2050,"port":8})",
            R"({"t":2100,"behind":{"side":"rx","steps":0}})",
            R"({"t":2100)" + press + R"("loop","dial_hz":436777000}})", R"({"t":2100,"port":9})",
            R"({"t":2150,"port":8})", R"({"t":3000)" + press + R"("manual","dial_hz":436778000}})",
            R"({"t":3000,"port":9})", R"({"t":3050,"port":8})"}));
    EXPECT_NE(dump.find(R"("loop":{"rx":{"tracking":false,"dial_hz":436778000,)"),
              std::string::npos);
}

// Stop halts a CAT side as it halts a pressed one: the radio takes no set after it, and a later
// Start Tracking sets again.
TEST(ScenarioRun, StopHaltsACatSide) {
    const auto lines = lines_of(run("set tracking closed\n"
                                    "set radio rx cat:model:10\n"
                                    "set start_at_aos on\n"
                                    "at 0 type Edit1 4.367750E8\n"
                                    "at 1000 tracking SN\"AO-7\" EL1.0 DN436777000 UP145917000\n"
                                    "at 2000 tracking SN\"AO-7\" EL1.2 DN436776000 UP145917000\n"
                                    "at 2100 click Stop\n"
                                    "at 3000 tracking SN\"AO-7\" EL1.4 DN436775000 UP145917000\n"
                                    "at 3500 click Button11\n"
                                    "until 3800\n"));
    int before = 0, halted = 0, after = 0;
    for (const std::string& l : lines) {
        if (l.find(R"("took":"set")") == std::string::npos) {
            continue;
        }
        const std::int64_t t = std::stoll(l.substr(5));
        ++(t <= 2100 ? before : t < 3500 ? halted : after);
    }
    EXPECT_GT(before, 0);
    EXPECT_EQ(halted, 0);
    EXPECT_GT(after, 0);
}

struct EndCase {
    const char* name;
    const char* steps; // after the receiver is set up and tracking on both of its timers
    const char* last_port;
    const char* final_dump;
    const char* timers;
};

class RunEnd : public ::testing::TestWithParam<EndCase> {};

// Timer1 and Timer2 share the last Doppler value; at this absurd downlink the fields they read
// are rounded apart, so each of their ticks pulses for 400 ms and they are always overdue.
TEST_P(RunEnd, NothingRunsAfterTheEnd) {
    const auto lines =
        lines_of(run(std::string("at 0 type Edit1 4.367750E8\n"
                                 "at 0 click CheckBox1\n"
                                 "at 100 tracking SN\"AO-91\" EL0.4 DN-760012345678\n"
                                 "at 200 click RadioButton2\n"
                                 "at 200 click Button11\n"
                                 "at 300 click RadioButton1\n"
                                 "at 300 click Button11\n") +
                     GetParam().steps));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], GetParam().last_port);
    EXPECT_TRUE(lines.back().starts_with(GetParam().final_dump)) << lines.back();
    EXPECT_NE(lines.back().find(GetParam().timers), std::string::npos) << lines.back();
}

// The tick's report is open from 600 to 1600: the overflow waits behind it, its repeat is
// counted, and the click held back by both reports pulses once the second closes.
TEST(ScenarioRun, AnErrorWhileAReportIsOpenIsHeldAndSaysHow) {
    auto lines = lines_of(run("set report_ms 1000\n"
                              "at 0 click CheckBox1\n"
                              "at 0 tracking EL10 DN436775000 UP145917000\n"
                              "at 100 click Button11\n"
                              "at 700 tracking DN1e999\n"
                              "at 800 tracking AZ1E400\n"
                              "at 900 click Button2\n"
                              "until 3000\n"));
    ASSERT_EQ(lines.size(), 11u);
    lines.erase(lines.begin(), lines.begin() + 4); // the start-up writes
    lines.pop_back();                              // the final dump
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  R"({"t":600,"report":"'Enter Freq E8' is not a valid floating point value."})",
                  R"({"t":700,"report_held":"Floating point overflow.","as":"queued"})",
                  R"({"t":800,"report_held":"Floating point overflow.","as":"repeat"})",
                  R"({"t":1600,"report":"Floating point overflow."})", R"({"t":2600,"port":9})",
                  R"({"t":2800,"port":8})"}));
}

INSTANTIATE_TEST_SUITE_P(
    ScenarioRun, RunEnd,
    ::testing::Values(
        // The tick of 2800 runs past the end; the tick of 3200 never falls due.
        EndCase{"UntilEndsOverdueTicks", "until 3000\n", R"({"t":3700,"port":8})",
                R"({"t":3900,"dump":)", R"("timers":["Timer1","Timer2"])"},
        // Exit waits behind the ticks of 700 and 800, lowers every line and closes; the
        // update, the dump and the ticks after it never run.
        EndCase{"ExitEndsTheRun",
                "at 1000 click SpeedButton1\nat 2000 tracking EL0.5 DN436778300\n"
                "at 2100 dump\nuntil 5000\n",
                R"({"t":1500,"port":0})", R"({"t":1500,"dump":)", R"("timers":[])"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace dopplex
