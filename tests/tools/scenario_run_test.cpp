#include "scenario.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace dopplex {
namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string run(const std::string& scenario_text) {
    std::istringstream in(scenario_text);
    std::ostringstream out;
    RunScenario(ParseScenario(in), out);
    return out.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

const std::string kData = DOPPLEX_SCENARIO_DATA;
const std::string kScratch = DOPPLEX_SCRATCH;

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

TEST(ScenarioRun, ReportsAreLinesWithTheirFinalPeriod) {
    const auto lines = lines_of(run("at 0 type Edit9 x\n"
                                    "at 10 tracking AZ1E400\n"
                                    "until 20\n"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], R"({"t":10,"report":"Floating point overflow."})");
    EXPECT_NE(lines[1].find(R"("Edit9":{"text":"x")"), std::string::npos);
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

// Runs the program with its output in the scratch folder; returns the exit code.
int run_program(const std::string& args, std::string& out, std::string& err) {
    const std::string out_path = kScratch + "/script_out.txt";
    const std::string err_path = kScratch + "/script_err.txt";
    const std::string command =
        std::string(DOPPLEX_SCRIPT) + " " + args + " >" + out_path + " 2>" + err_path;
    const int status = std::system(command.c_str());
    out = read_file(out_path);
    err = read_file(err_path);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ScriptProgram, RunsAScenarioFileAndExitsZero) {
    std::string out, err;
    EXPECT_EQ(run_program(kData + "/manual_steps.scn", out, err), 0);
    EXPECT_EQ(out, read_file(kData + "/manual_steps.out"));
    EXPECT_EQ(err, "");
}

TEST(ScriptProgram, ABadLineExitsTwoWithItsLineNumber) {
    const std::string path = kScratch + "/bad.scn";
    std::ofstream(path) << "# fine\nat 0 click CheckBox1\nat 10 click Edit2\n";
    std::string out, err;
    EXPECT_EQ(run_program(path, out, err), 2);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "dopplex-script: " + path +
                       ": line 3: 'Edit2' is not a control that takes a click\n");
}

TEST(ScriptProgram, AMissingFileOrNoArgumentExitsTwo) {
    std::string out, err;
    EXPECT_EQ(run_program(kScratch + "/no-such.scn", out, err), 2);
    EXPECT_NE(err.find("cannot open"), std::string::npos);
    EXPECT_EQ(run_program("", out, err), 2);
    EXPECT_NE(out.find("Usage: dopplex-script"), std::string::npos);
}

TEST(ScriptProgram, HelpDescribesTheFormatAndExitsZero) {
    std::string out, err;
    EXPECT_EQ(run_program("--help", out, err), 0);
    for (const char* part :
         {"at <ms> tracking <text>", "at <ms> click <Control>", "at <ms> type <Edit> <text>",
          "at <ms> key <code>", "at <ms> dump", "set report_ms <ms>", "until <ms>"})
        EXPECT_NE(out.find(part), std::string::npos) << part;
}

} // namespace
} // namespace dopplex
