// dopplex-tracker's --help for each build: the Windows program serves DDE only, so its text
// names no socket, Hamlib listener or POSIX shell.
#include "options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using dopplex::tracker::help_text;

TEST(TrackerHelp, EachSystemItsOwnWords) {
    struct Row {
        bool windows;
        std::vector<std::string> says;
        std::vector<std::string> never;
    };
    const Row rows[] = {
        {true,
         {"dopplex-tracker.exe", "DDE", "--replay FILE", "--aos", "Ctrl+C"},
         {"socket", "$XDG_RUNTIME_DIR", "--hamlib", "/bin/sh", "--from-command", "SIGTERM",
          "Gpredict"}},
        {false,
         {"socket", "$XDG_RUNTIME_DIR", "--hamlib", "--from-command", "/bin/sh", "--replay FILE",
          "SIGTERM"},
         {"Ctrl+C", "dopplex-tracker.exe ["}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.windows ? "windows" : "linux");
        const std::string text = help_text(row.windows);
        for (const std::string& words : row.says)
            EXPECT_NE(text.find(words), std::string::npos) << words;
        for (const std::string& words : row.never)
            EXPECT_EQ(text.find(words), std::string::npos) << words;
    }
}
