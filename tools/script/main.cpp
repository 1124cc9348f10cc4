// dopplex-script: runs a scenario in virtual time and prints its trace.
#include "bounded_line.h"
#include "dopplex_version.h"
#include "scenario.h"

#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--version") {
        std::cout << "dopplex-script " << dopplex::kVersion << '\n';
        return 0;
    }
    if (argc != 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        std::cout << "Usage: dopplex-script <scenario file | -> | --version\n"
                  << "Runs the Dopplex main window in virtual time from a scenario.\n\n"
                  << dopplex::kScenarioHelp;
        return argc == 2 ? 0 : 2;
    }
    std::ifstream file;
    const std::string path = argv[1];
    if (path != "-") {
        try {
            dopplex::tools::open_input(file, path);
        } catch (const std::runtime_error& e) {
            std::cerr << "dopplex-script: " << e.what() << '\n';
            return 2;
        }
    }
    std::istream& in = path == "-" ? std::cin : file;
    try {
        const dopplex::Scenario scenario = dopplex::ParseScenario(in);
        dopplex::RunScenario(scenario, std::cout);
    } catch (const dopplex::ScenarioError& e) {
        std::cerr << "dopplex-script: " << path << ": " << e.what() << '\n';
        return 2;
    }
    return 0;
}
