#include "command_line.h"

#include "port/port_spec.h"

#include <sstream>

namespace dopplex::app {

CommandLine parse_command_line(const std::vector<std::string>& args) {
    CommandLine line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--help" || word == "-h") {
            line.help = true;
        } else if (word == "--version") {
            line.version = true;
        } else if (word == "--no-log") {
            line.no_log = true;
#ifndef _WIN32
        } else if (word == "--demo") {
            line.demo = true;
#endif
        } else if (word == "--port") {
            if (i + 1 == args.size()) {
                line.error = "--port needs a value";
                return line;
            }
            line.port = args[++i];
        } else if (word.starts_with("--port=")) {
            line.port = word.substr(7);
        } else {
            line.error = "unknown option: " + word;
            return line;
        }
    }
    return line;
}

namespace {

// What differs between the systems: the default port, the pass log, the link and the endings.
#ifdef _WIN32
constexpr const char* kDefaultPortLine = "                without either: virtual\n";
constexpr const char* kNoLogLines = "  --no-log      accepted; this build writes no pass log\n";
constexpr const char* kEndingLines =
    "The tracker link is the tracker's DDE conversation.\n"
    "Ctrl+C in its console, the close box and logging off end the program like its Exit\n"
    "button: every line is lowered.\n";
#else
constexpr const char* kDefaultPortLine =
    "                without either: ppdev on /dev/parport0 when it exists, else virtual\n";
constexpr const char* kNoLogLines =
    "  --no-log      no pass log (else one CSV file per pass in\n"
    "                $XDG_DATA_HOME/dopplex/passes, else ~/.local/share/dopplex/passes)\n"
    "  --demo        play a made-up pass (dopplex-tracker in a private socket folder),\n"
    "                marked SIMULATED PASS; it ends with the window\n";
constexpr const char* kEndingLines =
    "The tracker link uses the socket folder $XDG_RUNTIME_DIR (else /tmp/dopplex-<uid>); when\n"
    "no tracker answers, a click on the link status starts dopplex-tracker --hamlib (the relay\n"
    "for Gpredict), or the value Tracker under [Software\\Dopplex] in\n"
    "~/.config/dopplex/registry.\n"
    "SIGINT, SIGTERM, SIGHUP and SIGQUIT end the program like its Exit button: every line\n"
    "is lowered.\n";
#endif

} // namespace

std::string usage_text(const std::string& port_in_use) {
    std::istringstream syntax(port::port_spec_usage());
    std::string ports;
    for (std::string row; std::getline(syntax, row);)
        ports += "      " + row + "\n";
    return "Usage: dopplex [--port SPEC] [--no-log] [--help] [--version]\n"
           "\n"
           "Keeps a receiver and a transmitter on frequency through a satellite pass by pressing\n"
           "their UP/DOWN buttons through eight output lines, following the tracker's data.\n"
           "\n"
           "  --port SPEC   the output lines to drive (also DOPPLEX_PORT; the option wins):\n" +
           ports + kDefaultPortLine + kNoLogLines +
           "  --help        this text\n"
           "  --version     the program's version\n"
           "\n"
           "Port in use now: " +
           port_in_use + "\n" + kEndingLines;
}

} // namespace dopplex::app
