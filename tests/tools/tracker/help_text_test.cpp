// dopplex-tracker's --help for each build: the Windows program serves DDE only, so its text
// names no socket, Hamlib listener or POSIX shell.
#include "help_words.h"
#include "options.h"

using dopplex::tracker::help_text;

TEST(TrackerHelp, EachSystemItsOwnWords) {
    const dopplex::test::HelpWords rows[] = {
        {true,
         {"dopplex-tracker.exe", "DDE", "--replay FILE", "--aos", "Ctrl+C", "0.01 to 1000"},
         {"socket", "$XDG_RUNTIME_DIR", "--hamlib", "/bin/sh", "--from-command", "SIGTERM",
          "Gpredict", "--allow-other-users"}},
        {false,
         {"socket", "$XDG_RUNTIME_DIR", "--hamlib", "--from-command", "/bin/sh", "--replay FILE",
          "SIGTERM", "--allow-other-users", "32 clients", "0.01 to 1000"},
         {"Ctrl+C", "dopplex-tracker.exe ["}},
    };
    for (const dopplex::test::HelpWords& row : rows) {
        dopplex::test::expect_help_words(help_text(row.windows), row);
    }
}
