#include "command_line.h"

#include "port/port_spec.h"

#include <sstream>
#include <stdexcept>

namespace dopplex::app {

namespace {

// The value of an option given as "--name VALUE" or "--name=VALUE"; none when `word` is not the
// option. Moves `i` past a separate value; an error when the value is missing.
std::optional<std::string> option_value(const std::vector<std::string>& args, std::size_t& i,
                                        const std::string& name, std::string& error) {
    const std::string& word = args[i];
    if (word.starts_with(name + "=")) {
        return word.substr(name.size() + 1);
    }
    if (word != name) {
        return std::nullopt;
    }
    if (i + 1 == args.size()) {
        error = name + " needs a value";
        return std::nullopt;
    }
    return args[++i];
}

std::string radio_option_name(Side side) {
    return side == Side::Rx ? "--rx-radio" : "--tx-radio";
}

// A side's radio option and its value; none when `args[i]` is neither.
std::optional<std::pair<Side, std::string>> radio_option(const std::vector<std::string>& args,
                                                         std::size_t& i, CommandLine& line) {
    for (const Side side : {Side::Rx, Side::Tx}) {
        if (auto value = option_value(args, i, radio_option_name(side), line.error)) {
            return std::pair{side, *value};
        }
    }
    return std::nullopt;
}

} // namespace

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
        } else if (auto port = option_value(args, i, "--port", line.error)) {
            line.port = *port;
        } else if (auto mode = option_value(args, i, "--tracking", line.error)) {
            TrackingMode chosen{};
            if (!parse_tracking_mode(*mode, chosen)) {
                line.error = "--tracking takes closed or classic, not " + *mode;
                return line;
            }
            line.tracking = chosen;
        } else if (auto radio = radio_option(args, i, line)) {
            try {
                line.radios[radio->first] = parse_side_radio(radio->second);
            } catch (const std::invalid_argument& e) {
                line.error = radio_option_name(radio->first) + ": " + e.what();
                return line;
            }
        } else if (line.error.empty()) {
            line.error = "unknown option: " + word;
        }
        if (!line.error.empty()) {
            return line;
        }
    }
    return line;
}

namespace {

// What differs between the systems: the default port, the pass log, the link and the endings.
struct SystemLines {
    const char* options;
    const char* default_port;
    const char* no_log;
    const char* ending;
};

constexpr SystemLines kWindowsLines{
    "[--port SPEC] [--tracking MODE] [--rx-radio RADIO] [--tx-radio RADIO]\n"
    "               [--no-log] [--help] [--version]\n",
    "                without either: inpout at 0x378, which needs inpoutx64.dll beside\n"
    "                dopplex.exe and one start as administrator; without them virtual (the\n"
    "                LED panel says why). --port virtual tries Dopplex without hardware.\n",
    "  --no-log      no pass log (else one CSV file per pass in\n"
    "                %LOCALAPPDATA%\\Dopplex\\passes)\n",
    "The tracker link is the tracker's DDE conversation.\n"
    "Ctrl+C in its console, the close box and logging off end the program like its Exit\n"
    "button: every line is lowered.\n"};

constexpr SystemLines kLinuxLines{
    "[--port SPEC] [--tracking MODE] [--rx-radio RADIO] [--tx-radio RADIO]\n"
    "               [--no-log] [--demo] [--help] [--version]\n",
    "                without either: ppdev on /dev/parport0 when it exists, else virtual\n",
    "  --no-log      no pass log (else one CSV file per pass in\n"
    "                $XDG_DATA_HOME/dopplex/passes, else ~/.local/share/dopplex/passes)\n"
    "  --demo        play a made-up pass (dopplex-tracker in a private socket folder),\n"
    "                marked SIMULATED PASS; it ends with the window\n",
    "The tracker link uses the socket folder $XDG_RUNTIME_DIR (else /tmp/dopplex-<uid>); when\n"
    "no tracker answers, a click on the link status starts dopplex-tracker --hamlib (the relay\n"
    "for Gpredict), or the value Tracker under [Software\\Dopplex] in\n"
    "~/.config/dopplex/registry.\n"
    "SIGINT, SIGTERM, SIGHUP and SIGQUIT end the program like its Exit button: every line\n"
    "is lowered.\n"};

} // namespace

std::string usage_text(const std::string& port_in_use, bool windows) {
    const SystemLines& system = windows ? kWindowsLines : kLinuxLines;
    std::istringstream syntax(port::port_spec_usage());
    std::string ports;
    for (std::string row; std::getline(syntax, row);) {
        ports += "      " + row + "\n";
    }
    return std::string("Usage: dopplex ") + system.options +
           "\n"
           "Keeps a receiver and a transmitter on frequency through a satellite pass by pressing\n"
           "their UP/DOWN buttons through eight output lines, following the tracker's data.\n"
           "\n"
           "  --port SPEC   the output lines to drive (also DOPPLEX_PORT; the option wins):\n" +
           ports + system.default_port +
           "  --tracking MODE\n"
           "                classic: the original's tracking (the default); closed: the closed\n"
           "                loop, every press counted, the dial kept on the Doppler frequency\n"
           "                at the step each radio uses\n"
           "  --rx-radio cat:HOST:PORT[:VFO]\n"
           "                the RX side is a CAT radio behind rigctld, set by the closed loop\n"
           "                (\"buttons\": its push buttons); over the remembered choice\n"
           "  --tx-radio RADIO\n"
           "                the same for the TX side\n" +
           system.no_log +
           "  --help        this text\n"
           "  --version     the program's version\n"
           "\n"
           "Port in use now: " +
           port_in_use + "\n" + system.ending;
}

} // namespace dopplex::app
