// The scenario runner as a program: its exit codes, messages and output streams.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "scratch_dir.h"
#include "tools/read_file.h"

namespace dopplex {
namespace {

const std::string kData = DOPPLEX_SCENARIO_DATA;

class ScriptProgram : public ::testing::Test {
protected:
    // Runs the program with its output in the test's own folder; returns the exit code.
    int run_program(const std::string& args, std::string& out, std::string& err) {
        const std::string out_path = scratch / "script_out.txt";
        const std::string err_path = scratch / "script_err.txt";
        const std::string command =
            std::string(DOPPLEX_SCRIPT) + " " + args + " >" + out_path + " 2>" + err_path;
        const int status = std::system(command.c_str());
        out = read_file(out_path);
        err = read_file(err_path);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    const test::ScratchDir scratch;
};

TEST_F(ScriptProgram, RunsAScenarioFileAndExitsZero) {
    std::string out, err;
    EXPECT_EQ(run_program(kData + "/manual_steps.scn", out, err), 0);
    EXPECT_EQ(out, read_file(kData + "/manual_steps.out"));
    EXPECT_EQ(err, "");
}

TEST_F(ScriptProgram, ABadLineExitsTwoWithItsLineNumber) {
    const std::string path = scratch / "bad.scn";
    std::ofstream(path) << "# fine\nat 0 click CheckBox1\nat 10 click Edit2\n";
    std::string out, err;
    EXPECT_EQ(run_program(path, out, err), 2);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "dopplex-script: " + path +
                       ": line 3: 'Edit2' is not a control that takes a click\n");
}

TEST_F(ScriptProgram, AnInputItCannotReadOrNoArgumentExitsTwo) {
    std::string out, err;
    const struct {
        std::string path;
        std::string message;
    } rows[] = {
        {scratch / "no-such.scn", "cannot open " + scratch / "no-such.scn"},
        {"/etc", "dopplex-script: /etc: is a folder, not a file\n"},
        {"/dev/zero", "dopplex-script: /dev/zero: line 1: longer than 131072 bytes\n"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(run_program(row.path, out, err), 2) << row.path;
        EXPECT_NE(err.find(row.message), std::string::npos) << err;
    }
    EXPECT_EQ(run_program("", out, err), 2);
    EXPECT_NE(out.find("Usage: dopplex-script"), std::string::npos);
}

TEST_F(ScriptProgram, HelpDescribesTheFormatAndExitsZero) {
    std::string out, err;
    EXPECT_EQ(run_program("--help", out, err), 0);
    for (const char* part :
         {"at <ms> tracking <text>", "at <ms> click <Control>", "at <ms> type <Edit> <text>",
          "at <ms> key <code>", "at <ms> dump", "set report_ms <ms>", "until <ms>"}) {
        EXPECT_NE(out.find(part), std::string::npos) << part;
    }
}

} // namespace
} // namespace dopplex
