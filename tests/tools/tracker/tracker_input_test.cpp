// dopplex-tracker refuses input it cannot serve sensibly, before serving anything: numbers out
// of range, folders, files that never end a line, more updates than it would hold.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "scratch_dir.h"
#include "tools/read_file.h"

namespace dopplex {
namespace {

TEST(TrackerInput, RefusedWithAMessageNamingTheLimit) {
    const test::ScratchDir scratch;
    const struct {
        const char* options;
        const char* message;
    } rows[] = {
        {"--uplink 1e30", "--uplink: 1e30 is out of range: expected above 0 Hz and below 100 GHz"},
        {"--downlink -1", "--downlink: -1 is out of range"},
        {"--downlink 0", "--downlink: 0 is out of range"},
        {"--time-factor 1e-20", "--time-factor: 1e-20 is out of range: expected 0.01 to 1000"},
        {"--time-factor 1e9", "--time-factor: 1e9 is out of range"},
        {"--interval 5", "--interval: 5 is out of range: expected a whole number from 10 to 60000"},
        {"--passes 100 --interval 10 --lead-in 3600", "more than 1000000 updates"},
        {"--replay /etc", "/etc: is a folder, not a file"},
        {"--replay /nonexistent-dopplex", "cannot open /nonexistent-dopplex: No such file"},
        {"--replay /dev/zero", "/dev/zero: line 1: longer than 131072 bytes"},
    };
    for (const auto& row : rows) {
        const std::string err = scratch / "err.txt";
        const std::string command =
            std::string(DOPPLEX_TRACKER_PATH) + " --print " + row.options + " >/dev/null 2>" + err;
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << row.options;
        EXPECT_NE(read_file(err).find(row.message), std::string::npos)
            << row.options << ": " << read_file(err);
    }
}

} // namespace
} // namespace dopplex
