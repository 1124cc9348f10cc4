// pass-outcome: where the radios' dials really are through generated passes, in virtual time.
#include "cat_outcome.h"
#include "outcome_table.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    const std::string option = argc == 2 ? argv[1] : "";
    if (argc > 2 || (argc == 2 && option != "--json")) {
        std::cout << "Usage: pass-outcome [--json]\n"
                     "Flies generated passes in virtual time with a model radio (a press counts "
                     "once held 20 ms;\nheld 400 ms it repeats every 80 ms) and prints, per pass, "
                     "mode and step, the largest and\nRMS distance between dial and Doppler "
                     "frequency from 90 s after AOS to the end of the pass,\nand the dial after "
                     "Reset against the reference. Markdown, or JSON lines with --json.\nThe "
                     "markdown adds "
                     "the closed loop on uneven feeds and a recorded Gpredict pass,\nand a CAT "
                     "receiver against a 1 s cycle without prediction.\n";
        return option == "--help" || option == "-h" ? 0 : 2;
    }
    try {
        const auto rows = dopplex::bench::run_table();
        if (option == "--json") {
            dopplex::bench::write_json_lines(std::cout, rows);
        } else {
            dopplex::bench::write_markdown(std::cout, rows);
            std::cout << '\n';
            dopplex::bench::write_feed_markdown(
                std::cout, dopplex::bench::run_feed_table(DOPPLEX_GPREDICT_FEED));
            std::cout << '\n';
            dopplex::bench::write_cat_markdown(std::cout, dopplex::bench::run_cat_table());
        }
    } catch (const std::exception& e) {
        std::cerr << "pass-outcome: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
