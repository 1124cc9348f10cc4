// dopplexd: the engine without a window, fed by a Hamlib client (Gpredict) through the tracker's
// Hamlib listeners in this process, whose texts reach the engine in process, pressing the
// buttons through the configured port.
#include "daemon_config.h"
#include "daemon_files.h"
#include "daemon_options.h"
#include "dopplex_version.h"
#include "engine_session.h"
#include "journal.h"
#include "port/port_spec.h"
#include "sources/hamlib_source.h"
#include "station.h"
#include "status_page.h"
#include "stop_signal.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <iostream>
#include <tuple>
#include <unistd.h>

namespace {

using namespace dopplex;
using namespace dopplex::headless;

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

void forward_as_sigterm(int) {
    ::kill(::getpid(), SIGTERM);
}

// SIGHUP (the terminal closing) and SIGQUIT end the run as SIGTERM does, through the stop signal,
// unless the program was started with them ignored (nohup).
void forward_hangup_and_quit() {
    for (const int number : {SIGHUP, SIGQUIT}) {
        struct sigaction before {};
        sigaction(number, nullptr, &before);
        if (before.sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction forward {};
        forward.sa_handler = forward_as_sigterm;
        sigemptyset(&forward.sa_mask);
        sigaction(number, &forward, nullptr);
    }
}

DaemonConfig configure(const DaemonOptions& options) {
    DaemonConfig config =
        options.config ? load_named_config(*options.config) : load_config(default_config_files());
    for (const auto& [name, option, setting] :
         {std::tuple{"rig", &DaemonOptions::rig, &config.rig},
          std::tuple{"rotator", &DaemonOptions::rotator, &config.rotator},
          std::tuple{"page", &DaemonOptions::page, &config.page}}) {
        if (options.*option) {
            *setting = *(options.*option);
            config.places.erase(name);
        }
    }
    if (options.port) {
        config.port = options.port;
    }
    if (options.uplink_rig) {
        config.uplink_rig = options.uplink_rig;
        config.places.erase("uplink_rig");
    }
    for (const auto& [side, option, name] :
         {std::tuple{0, &DaemonOptions::rx_radio, "--rx-radio"},
          std::tuple{1, &DaemonOptions::tx_radio, "--tx-radio"}}) {
        if (!(options.*option)) {
            continue;
        }
        try {
            config.radios[side] = parse_side_radio(*(options.*option));
        } catch (const std::invalid_argument& error) {
            throw std::invalid_argument(std::string(name) + ": " + error.what());
        }
        for (Transponder& entry : config.transponders) {
            entry.radios[side].reset();
        }
        if (config.radios[side] && config.tracking != headless::TrackingMode::Closed) {
            throw std::invalid_argument(std::string(name) +
                                        ": a CAT radio follows the closed loop: set tracking = "
                                        "closed");
        }
    }
    if (options.no_log) {
        config.pass_log.reset();
    }
    // The engine later works from its program's folder: a relative folder would move with it.
    if (config.pass_log) {
        config.pass_log = std::filesystem::absolute(*config.pass_log);
    }
    return config;
}

// An address setting read as `read` reads it; a fault in one from a file names its line.
template <typename Read>
auto address_setting(const DaemonConfig& config, const std::string& key, const Read& read) {
    try {
        return read();
    } catch (const std::invalid_argument& error) {
        const auto place = config.places.find(key);
        if (place == config.places.end()) {
            throw;
        }
        throw ConfigError(place->second + ": " + error.what());
    }
}

tracker::HamlibOptions listeners(const DaemonConfig& config, Journal& journal) {
    tracker::HamlibOptions hamlib;
    const auto endpoint = [&config](const char* key, const std::string& text) {
        return address_setting(config, key, [&] { return tracker::parse_endpoint(key, text); });
    };
    hamlib.rig = endpoint("rig", config.rig);
    hamlib.rig.allow = config.rig_allow;
    hamlib.rotator = endpoint("rotator", config.rotator);
    hamlib.rotator.allow = config.rotator_allow;
    if (config.uplink_rig) {
        hamlib.uplink_rig = endpoint("uplink_rig", *config.uplink_rig);
        hamlib.uplink_rig->allow = config.rig_allow;
    }
    hamlib.refused = [&journal](const std::string& why) { journal.warning("Hamlib " + why); };
    return hamlib;
}

std::string transponders(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " transponder" : " transponders");
}

// A page off this machine needs the token: made once and kept in the state file, never written
// to the journal, whose last lines the page shows.
void make_token(const std::optional<PageAddress>& page, const std::filesystem::path& state_file,
                DaemonState& state, Journal* journal) {
    if (!page || is_loopback(page->host) || !state.token.empty()) {
        return;
    }
    state.token = new_token();
    save_state(state_file, state);
    if (journal) {
        journal->notice("the page's token is made and kept in " + state_file.string() +
                        ": \"dopplexd --page-url\" prints the page's address with it");
    }
}

// The page's full address, with the token where one is needed.
int print_page_url(const DaemonOptions& options) {
    const DaemonConfig config = configure(options);
    if (config.page == "off") {
        std::cerr << "dopplexd: the page is off\n";
        return 1;
    }
    const PageAddress page = parse_page_address(config.page);
    const std::filesystem::path state_file =
        options.state ? std::filesystem::absolute(*options.state) : default_state_file();
    DaemonState state = load_state(state_file);
    make_token(page, state_file, state, nullptr);
    std::string host = page.host;
    if (host == "0.0.0.0" || host == "::") {
        char name[256] = "";
        host = ::gethostname(name, sizeof name - 1) == 0 && name[0] ? name : "localhost";
    } else if (host.find(':') != std::string::npos) {
        host = "[" + host + "]";
    }
    std::cout << "http://" << host << ":" << page.port << "/"
              << (is_loopback(page.host) ? "" : "?token=" + state.token) << "\n";
    return 0;
}

int run(const DaemonOptions& options, tracker::StopSignal& stop, Journal& journal) {
    const DaemonConfig config = configure(options);
    const std::filesystem::path state_file =
        options.state ? std::filesystem::absolute(*options.state) : default_state_file();
    UsableState usable =
        load_state_or_set_aside(state_file, config, std::chrono::system_clock::now());
    if (!usable.set_aside.empty()) {
        journal.error(usable.set_aside);
    }
    DaemonState state = std::move(usable.state);
    std::optional<PageAddress> page;
    if (config.page != "off") {
        page = address_setting(config, "page", [&] { return parse_page_address(config.page); });
    }
    make_token(page, state_file, state, &journal);
    const port::PortSpec spec = port::choose_port_spec(
        config.port, environment("DOPPLEX_PORT"), std::filesystem::exists(port::default_parport));

    tracker::HamlibSource source(listeners(config, journal));
    for (const std::string& line : source.listening()) {
        journal.info("Hamlib " + line);
    }
    for (const std::string& line : source.exposed()) {
        journal.warning("the " + line +
                        " is open to other machines: anyone who reaches it can move the radio");
    }

    // Whatever ends the run (a signal, a fault) ends it through the stop signal, so the one
    // sequence below lowers the lines.
    std::atomic<int> status{0};
    const auto fault = [&journal, &status](const std::string& why) {
        journal.error(why + ": stopping");
        status = 1;
        ::kill(::getpid(), SIGTERM);
    };
    app::EngineSession session(port::make_port_backend(spec));
    session.host().set_fallback_report(
        [&journal](const std::string& text) { journal.error("error: " + text); });
    session.set_timing_log([&journal](const std::string& line) { journal.warning(line); });
    headless::Station station(
        session, config, state,
        [state_file](const DaemonState& saved) { save_state(state_file, saved); }, journal, fault);
    station.attach();
    session.set_priority_listener([&station](const std::string& how) { station.timing(how); });
    session.set_late_press_log([&station](const std::string& line) { station.late_press(line); });
    std::unique_ptr<StatusPage> status_page;
    if (page) {
        const bool open = !is_loopback(page->host);
        status_page = std::make_unique<StatusPage>(
            station, journal, *page, PageAccess{state.token, open, config.page_names});
        journal.info("page on " + page->host + ":" + std::to_string(status_page->port()) +
                     (open ? ", with the token" : ", this machine only"));
    }
    // Nothing after the start may throw: the lines are lowered only by the exit sequence below,
    // whose last step writes 0 whatever "Enable hardware" says.
    session.form().on_close = [&station] { station.lower_all(); };
    session.start([&station] { station.created(); });
    station.heard(source.first_text());
    journal.notice("dopplexd " + std::string(kVersion) + " on port " + port::describe(spec) + ", " +
                   transponders(config.transponders.size()));

    try {
        source.run([&](const std::string& text) { station.heard(text); }, stop);
    } catch (const std::exception& error) {
        journal.error(std::string("the Hamlib listeners failed: ") + error.what());
        status = 1;
    }
    station.closing();
    status_page.reset();
    session.close_now().wait();
    session.stop();
    const port::PortStatus port = session.port_status();
    if (port.health == port::PortHealth::Fallback) {
        journal.error("stopped: the port never opened, nothing was pressed");
        return 1;
    }
    if (port.lines == std::uint8_t{0}) {
        journal.notice("stopped: every line low");
        return status;
    }
    journal.error("stopped: the port failed, the lines may not be low");
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    DaemonOptions options;
    try {
        options = parse_daemon_options(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& error) {
        std::cerr << "dopplexd: " << error.what() << "\n";
        return 2;
    }
    if (options.version) {
        std::cout << "dopplexd " << kVersion << "\n";
        return 0;
    }
    if (options.help) {
        std::cout << daemon_usage();
        return 0;
    }
    Journal journal(std::cout, std::getenv("JOURNAL_STREAM") != nullptr);
    try {
        if (options.page_url) {
            return print_page_url(options);
        }
        tracker::StopSignal stop; // before any thread, so that only it takes SIGTERM and SIGINT
        forward_hangup_and_quit();
        return run(options, stop, journal);
    } catch (const std::exception& error) {
        journal.error(error.what());
        return 1;
    }
}
