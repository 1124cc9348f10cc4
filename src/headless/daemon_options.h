// dopplexd's command line. Each setting also has its line in the configuration file; an option
// given here wins over the files.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace dopplex::headless {

struct DaemonOptions {
    bool help = false;
    bool version = false;
    std::optional<std::string> config; // the one file to read instead of the usual two
    std::optional<std::string> state;
    std::optional<std::string> port;
    std::optional<std::string> rig;
    std::optional<std::string> uplink_rig;
    std::optional<std::string> rotator;
    std::optional<std::string> page;
    std::optional<std::string> rx_radio; // "buttons" or "cat:HOST:PORT[:VFO]"
    std::optional<std::string> tx_radio;
    bool no_log = false;
    bool page_url = false; // print the page's address and end
};

// Throws std::invalid_argument with a message for the operator.
DaemonOptions parse_daemon_options(const std::vector<std::string>& args);

std::string daemon_usage();

} // namespace dopplex::headless
