// dopplex-tracker: plays the satellite tracker's part over the local link, so Dopplex runs here
// without the real tracker. Serves service "Orbitron", topic "Tracking", item "TrackingDataEx".
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

#include "link/link_server.h"
#include "link/runtime_dir.h"
#include "pass_script.h"
#include "tracker/link/client_conversation.h"

namespace {

using namespace dopplex;

const char* kHelp = R"(Usage: dopplex-tracker [options]

Plays the satellite tracker over the local link: serves service "Orbitron", topic "Tracking",
item "TrackingDataEx" on the socket dopplex-link.Orbitron.Tracking in the link folder, and
announces a change to subscribers only when the text changed. The link folder is
$DOPPLEX_LINK_DIR when set, else $XDG_RUNTIME_DIR, else /tmp/dopplex-<uid> (mode 0700); a folder
that other users can reach is refused with a message and the next choice is taken, as Dopplex
does (docs/link-protocol.md).
The text reads SN"name" AZaz EL el DNhz UPhz UM"mode" DM"mode" AOS"yyyy-mm-dd hh:mm:ss".

A generated pass: a circular orbit over a spherical, non-rotating Earth. The downlink heard is
f*(1 - rr/c) and the uplink to send f*(1 + rr/c), rr the range rate, rounded to whole Hz.
Updates start --lead-in seconds before AOS and end --tail updates after the update that reads
EL-2.0; that update is computed at the moment the elevation is -2.0 exactly, so it always
reads -2.0. Then the next pass follows, or the program ends (saying BYE to its clients).

Satellite:
  --name TEXT            satellite name (AO-51)
  --altitude KM          orbit altitude, 150..40000 (800)
  --max-elevation DEG    elevation at culmination, above 0 and at most 90 (45)
  --heading DEG          azimuth of the satellite's motion at culmination (150)
  --downlink HZ          nominal downlink (435300000)
  --uplink HZ            nominal uplink (145920000)
  --uplink-mode TEXT     (FM)
  --downlink-mode TEXT   (FM)
Timing:
  --interval MS          time between updates (1000)
  --lead-in S            seconds of updates before AOS (60)
  --tail N               updates after the one that reads EL-2.0 (3)
  --passes N             passes in a row (1)
  --time-factor X        play X times faster, for demonstrations (1)
  --aos "yyyy-mm-dd hh:mm:ss"  UTC time of the first AOS (now + lead-in)
Sources and output:
  --replay FILE          play a recording instead: one line per update, milliseconds from the
                         start, a tab, the text (examples/pass-ao.tracking)
  --print                write the updates in that recording format to stdout and exit
Link behaviour (for tests):
  --refuse-connections   answer every connection with a refusal
  --refuse-subscriptions refuse every subscription
  --ignore-requests      never answer a request
  --help                 this text

SIGTERM or SIGINT ends the conversations and the program.
)";

double number(const std::string& option, const std::string& text) {
    std::size_t used = 0;
    double value = 0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || !std::isfinite(value)) {
        throw std::invalid_argument(option + ": not a number: " + text);
    }
    return value;
}

std::time_t parse_utc(const std::string& text) {
    std::tm parts{};
    const char* end = strptime(text.c_str(), "%Y-%m-%d %H:%M:%S", &parts);
    if (end == nullptr || *end != '\0') {
        throw std::invalid_argument("--aos: expected yyyy-mm-dd hh:mm:ss: " + text);
    }
    return timegm(&parts);
}

struct Options {
    tracker::Satellite satellite;
    tracker::Schedule schedule;
    double time_factor = 1.0;
    std::string replay;
    bool print = false;
    bool aos_given = false;
    link::LinkServerOptions link;
};

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                throw std::invalid_argument(option + " needs a value");
            }
            return argv[++i];
        };
        const auto count = [&](int low) {
            const double n = number(option, value());
            if (n != std::floor(n) || n < low || n > 1e6) {
                throw std::invalid_argument(option + ": expected a whole number of at least " +
                                            std::to_string(low));
            }
            return static_cast<int>(n);
        };
        if (option == "--help") {
            std::cout << kHelp;
            std::exit(0);
        } else if (option == "--name") {
            o.satellite.name = value();
        } else if (option == "--altitude") {
            o.satellite.pass.altitude_km = number(option, value());
        } else if (option == "--max-elevation") {
            o.satellite.pass.max_elevation_deg = number(option, value());
        } else if (option == "--heading") {
            o.satellite.pass.heading_deg = number(option, value());
        } else if (option == "--downlink") {
            o.satellite.downlink_hz = number(option, value());
        } else if (option == "--uplink") {
            o.satellite.uplink_hz = number(option, value());
        } else if (option == "--uplink-mode") {
            o.satellite.uplink_mode = value();
        } else if (option == "--downlink-mode") {
            o.satellite.downlink_mode = value();
        } else if (option == "--interval") {
            o.schedule.interval_ms = count(1);
        } else if (option == "--lead-in") {
            o.schedule.lead_in_s = count(0);
        } else if (option == "--tail") {
            o.schedule.tail_updates = count(0);
        } else if (option == "--passes") {
            o.schedule.passes = count(1);
        } else if (option == "--time-factor") {
            o.time_factor = number(option, value());
            if (!(o.time_factor > 0.0)) {
                throw std::invalid_argument("--time-factor must be above 0");
            }
        } else if (option == "--aos") {
            o.schedule.first_aos_utc = parse_utc(value());
            o.aos_given = true;
        } else if (option == "--replay") {
            o.replay = value();
        } else if (option == "--print") {
            o.print = true;
        } else if (option == "--refuse-connections") {
            o.link.refuse_connections = true;
        } else if (option == "--refuse-subscriptions") {
            o.link.refuse_subscriptions = true;
        } else if (option == "--ignore-requests") {
            o.link.ignore_requests = true;
        } else {
            throw std::invalid_argument("unknown option " + option + " (see --help)");
        }
    }
    if (!o.aos_given) {
        o.schedule.first_aos_utc =
            std::time(nullptr) + static_cast<std::time_t>(o.schedule.lead_in_s);
    }
    return o;
}

std::vector<tracker::Update> load_updates(const Options& o) {
    if (o.replay.empty()) {
        return tracker::generate_passes(o.satellite, o.schedule);
    }
    std::ifstream in(o.replay);
    if (!in) {
        throw std::runtime_error("cannot read " + o.replay);
    }
    return tracker::read_recording(in);
}

// Plays the updates in time; false when a signal asked to stop.
bool play(const std::vector<tracker::Update>& updates, double time_factor, link::LinkServer& server,
          const sigset_t& stop_signals) {
    const auto start = std::chrono::steady_clock::now();
    for (const tracker::Update& update : updates) {
        const auto due = start + std::chrono::microseconds(static_cast<long long>(
                                     static_cast<double>(update.ms) * 1000.0 / time_factor));
        for (;;) {
            const auto left = due - std::chrono::steady_clock::now();
            if (left <= std::chrono::nanoseconds(0)) {
                break;
            }
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            const timespec wait{static_cast<time_t>(ns / 1000000000), ns % 1000000000};
            if (sigtimedwait(&stop_signals, nullptr, &wait) > 0) {
                return false;
            }
        }
        server.set_item(kTrackerItem, update.text);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const Options options = parse(argc, argv);
        const std::vector<tracker::Update> updates = load_updates(options);
        if (options.print) {
            tracker::write_recording(std::cout, updates);
            return 0;
        }
        // Signals are taken by the playing loop only, never by the server's thread.
        sigset_t stop_signals;
        sigemptyset(&stop_signals);
        sigaddset(&stop_signals, SIGTERM);
        sigaddset(&stop_signals, SIGINT);
        pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
        std::signal(SIGPIPE, SIG_IGN);

        const link::RuntimeDir dir = link::runtime_dir();
        for (const std::string& line : link::runtime_dir_notice(dir)) {
            std::cerr << "dopplex-tracker: " << line << '\n';
        }
        link::LinkServer server(link::socket_path(dir.path, kTrackerService, kTrackerTopic),
                                kTrackerService, kTrackerTopic, options.link);
        server.set_item(kTrackerItem, updates.empty() ? std::string() : updates.front().text);
        server.start();
        play(updates, options.time_factor, server, stop_signals);
        server.stop();
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "dopplex-tracker: " << e.what() << '\n';
        return 1;
    }
}
