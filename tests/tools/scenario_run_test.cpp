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
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
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

TEST(ScenarioRun, ReportsAreLinesWithTheirFinalPeriod) {
    const auto lines = lines_of(run("at 0 type Edit9 x\n"
                                    "at 10 tracking AZ1E400\n"
                                    "until 20\n"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], R"({"t":10,"report":"Floating point overflow."})");
    EXPECT_NE(lines[1].find(R"("Edit9":{"text":"x")"), std::string::npos);
}

} // namespace
} // namespace dopplex
