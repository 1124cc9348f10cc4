#include "daemon_options.h"

#include "port/port_spec.h"

#include <stdexcept>

namespace dopplex::headless {

DaemonOptions parse_daemon_options(const std::vector<std::string>& args) {
    DaemonOptions options;
    const std::pair<const char*, std::optional<std::string> DaemonOptions::*> valued[] = {
        {"--config", &DaemonOptions::config},
        {"--state", &DaemonOptions::state},
        {"--port", &DaemonOptions::port},
        {"--rig", &DaemonOptions::rig},
        {"--uplink-rig", &DaemonOptions::uplink_rig},
        {"--rotator", &DaemonOptions::rotator},
        {"--page", &DaemonOptions::page},
        {"--rx-radio", &DaemonOptions::rx_radio},
        {"--tx-radio", &DaemonOptions::tx_radio},
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--help" || word == "-h") {
            options.help = true;
            continue;
        }
        if (word == "--version") {
            options.version = true;
            continue;
        }
        if (word == "--page-url") {
            options.page_url = true;
            continue;
        }
        if (word == "--no-log") {
            options.no_log = true;
            continue;
        }
        bool known = false;
        for (const auto& [name, member] : valued) {
            if (word != name) {
                continue;
            }
            if (i + 1 == args.size()) {
                throw std::invalid_argument(word + " needs a value");
            }
            options.*member = args[++i];
            known = true;
        }
        if (!known) {
            throw std::invalid_argument("unknown option \"" + word + "\" (see --help)");
        }
    }
    return options;
}

std::string daemon_usage() {
    return "Usage: dopplexd [OPTION]...\n"
           "Presses a radio's UP and DOWN buttons through a port from the Doppler frequencies a\n"
           "Hamlib client such as Gpredict sends, with no window.\n\n"
           "  --config FILE      read only FILE (default: /etc/dopplex/dopplexd.conf, then\n"
           "                     $XDG_CONFIG_HOME/dopplex/dopplexd.conf)\n"
           "  --state FILE       the page's token and the learnt offsets (default:\n"
           "                     $STATE_DIRECTORY/dopplexd.state, else\n"
           "                     $XDG_STATE_HOME/dopplex/dopplexd.state)\n"
           "  --port SPEC        the output port (configuration: port)\n"
           "  --rig ADDR:PORT    the Hamlib rig listener (default 127.0.0.1:4532)\n"
           "  --uplink-rig ADDR:PORT  a second rig for the uplink\n"
           "  --rotator ADDR:PORT the Hamlib rotator listener (default 127.0.0.1:4533)\n"
           "  --page ADDR:PORT   the status page (default 127.0.0.1:8073; \"off\": none); on\n"
           "                     another address than this machine's a token is needed\n"
           "  --rx-radio cat:HOST:PORT[:VFO]  the RX side is a CAT radio behind rigctld (closed\n"
           "                     tracking; \"buttons\": its push buttons, the default)\n"
           "  --tx-radio ...     the same for the TX side\n"
           "  --no-log           write no pass log\n"
           "  --page-url         print the page's full address (with its token) and end\n"
           "  --help, --version\n\n"
           "Ports:\n" +
           port::port_spec_usage();
}

} // namespace dopplex::headless
