// dopplex-tracker's --help for each build: the Windows program serves DDE only, so its text
// names no socket, Hamlib listener or POSIX shell.
#include "help_words.h"
#include "options.h"

using dopplex::tracker::help_text;

TEST(TrackerHelp, EachSystemItsOwnWords) {
    const dopplex::test::HelpWords rows[] = {
        {true,
         {"dopplex-tracker.exe", "DDE", "--replay FILE", "--aos", "Ctrl+C"},
         {"socket", "$XDG_RUNTIME_DIR", "--hamlib", "/bin/sh", "--from-command", "SIGTERM",
          "Gpredict"}},
        {false,
         {"socket", "$XDG_RUNTIME_DIR", "--hamlib", "--from-command", "/bin/sh", "--replay FILE",
          "SIGTERM"},
         {"Ctrl+C", "dopplex-tracker.exe ["}},
    };
    for (const dopplex::test::HelpWords& row : rows)
        dopplex::test::expect_help_words(help_text(row.windows), row);
}
