#include "options.h"

#include "dopplex_version.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace dopplex::tracker {

namespace {

// The help's parts; each system's text names only what its build can do.
constexpr const char* kLinuxHead = R"(Usage: dopplex-tracker [options]
       dopplex-tracker --hamlib [--rig 127.0.0.1:4532] [--uplink-rig ADDR:PORT]
                       [--rotator 127.0.0.1:4533] [--name TEXT] [--allow-other-users]

Plays the satellite tracker over the local link: serves service "Orbitron", topic "Tracking",
item "TrackingDataEx" on the socket dopplex-link.Orbitron.Tracking in the link folder, and
announces a change to subscribers only when the text changed. The link folder is
$DOPPLEX_LINK_DIR when set, else $XDG_RUNTIME_DIR, else /tmp/dopplex-<uid> (mode 0700); a folder
that other users can reach is refused with a message and the next choice is taken, as Dopplex
does (docs/link-protocol.md).
)";

constexpr const char* kWindowsHead = R"(Usage: dopplex-tracker.exe [options]

Plays the satellite tracker over DDE, as the real tracker does: serves service "Orbitron", topic
"Tracking", item "TrackingDataEx" to dopplex.exe (or any DDE client), and announces a change to
subscribers only when the text changed. dopplex.exe may start before or after it; a click on
its "Closed" opens the conversation.
)";

constexpr const char* kTextAndPass =
    R"(The text reads SN"name" AZaz EL el DNhz UPhz UM"mode" DM"mode" AOS"yyyy-mm-dd hh:mm:ss".

A generated pass: a circular orbit over a spherical, non-rotating Earth. The downlink heard is
f*(1 - rr/c) and the uplink to send f*(1 + rr/c), rr the range rate, rounded to whole Hz.
Updates start --lead-in seconds before AOS and end --tail updates after the update that reads
EL-2.0; that update is computed at the moment the elevation is -2.0 exactly, so it always
reads -2.0. Then the next pass follows, or the program ends (saying BYE to its clients).
)";

constexpr const char* kLinuxHamlib = R"(
With --hamlib a real tracker drives the text: dopplex-tracker answers as a Hamlib network rig
(rigctld, the NET rigctl of Hamlib model 2) and a network rotator (rotctld), so Gpredict's
radio and rotator controllers, rigctl -m 2 -r ADDR:PORT or any other such client tune it. DN is
the frequency set on the rig's main VFO (F), UP the split VFO (I) or the uplink rig's F, AZ and
EL the rotator's last position (P). A key not commanded yet is left out of the text.
  Trackers never point a rotator below the horizon, so the end of a pass comes from LOS: in
Gpredict give the radio the type "Full-duplex" and tick "AOS" and "LOS" under its
"Signalling" (Edit > Preferences > Interfaces > Radios). From LOS the text reads EL-2.0, where
Dopplex ends the pass, until the next AOS or a rotator position above 0; from AOS it reads at
least EL0.1 until the rotator is above 0 (Gpredict parks it at 0.0 before AOS). WITHOUT A
ROTATOR AND WITHOUT THOSE SIGNALS THE TEXT HAS NO EL KEY: Dopplex then never sees AOS or the
end of a pass.

Satellite:
  --name TEXT            satellite name (AO-51; with --hamlib empty: Gpredict does not send it)
)";

constexpr const char* kWindowsName = R"(
Satellite:
  --name TEXT            satellite name (AO-51)
)";

constexpr const char* kPassOptions = R"(  --altitude KM          orbit altitude, 150 to 40000 (800)
  --max-elevation DEG    elevation at culmination, above 0 and at most 90 (45)
  --heading DEG          azimuth of the motion at culmination, -360 to 360 (150)
  --downlink HZ          nominal downlink, above 0 and below 100 GHz (435300000)
  --uplink HZ            nominal uplink, above 0 and below 100 GHz (145920000)
  --uplink-mode TEXT     (FM)
  --downlink-mode TEXT   (FM)
Timing:
  --interval MS          time between updates, 10 to 60000 (1000)
  --lead-in S            seconds of updates before AOS, 0 to 3600 (60)
  --tail N               updates after the one that reads EL-2.0, 0 to 1000 (3)
  --passes N             passes in a row, 1 to 100 (1)
  --time-factor X        play X times faster, 0.01 to 1000, for demonstrations (1)
  --aos "yyyy-mm-dd hh:mm:ss"  UTC time of the first AOS (now + lead-in)
Sources and output:
  --replay FILE          play a recording instead: one line per update, milliseconds from the
                         start, a tab, the text (examples/pass-ao.tracking); a line over
                         128 KB, a folder or an unreadable file is an error
  --print                write the updates in that recording format to stdout and exit
)";

constexpr const char* kLinuxSources =
    R"(  --from-command "CMD"   serve each line that CMD (run by /bin/sh) writes to its standard
                         output, CR before the newline dropped; lines over 64 KB are left out.
                         CMD runs in a process group of its own. The tracker ends when CMD
                         ends (even while a background child holds its output) and exits
                         with CMD's exit status; then, or on SIGTERM or SIGINT, the whole
                         group gets SIGTERM, SIGKILL 3 s later, and every process is reaped.
                         A Windows tracker under Wine reaches the link this way:
                         --from-command "wine dopplex-dde-bridge.exe" (the bridge in the same
                         Wine prefix as the tracker)
Hamlib listeners (with --hamlib; a PORT of 0 takes a free one; the addresses are printed):
  --hamlib               serve what a Hamlib client commands instead of a generated pass
  --rig ADDR:PORT        the rig: main VFO the downlink, split VFO the uplink (127.0.0.1:4532)
  --uplink-rig ADDR:PORT a second rig whose frequency is the uplink, as Gpredict's "TX only"
                         radio of a dual-rig setup (none)
  --rotator ADDR:PORT    the rotator (127.0.0.1:4533)
                         WARNING: with an address other than 127.x.x.x, [::1] or
                         [::ffff:127.x.x.x] anyone who reaches the port can move the radio;
                         there is no password.
  --allow-other-users    take clients of other users of this machine too (refused by default)
Each listener takes 32 clients at a time; a newcomer beyond that replaces a client that has
sent no whole line yet, else the one whose last line is oldest; this user's own clients go
last, and only for another of theirs. A frequency outside
100 kHz to 10 GHz (the range \dump_state advertises) gets RPRT -1. A command line ends at LF,
CR or CRLF.
)";

constexpr const char* kLinkOptions = R"(Link behaviour (for tests):
  --refuse-connections   answer every connection with a refusal
  --refuse-subscriptions refuse every subscription
  --ignore-requests      never answer a request
  --help                 this text
  --version              the program's version
)";

constexpr const char* kLinuxEnding =
    "\nSIGTERM or SIGINT ends the conversations and the program.\n";
constexpr const char* kWindowsEnding =
    "\nCtrl+C or closing its console window ends the conversations and the program.\n";

} // namespace

std::string help_text(bool windows) {
    return std::string(windows ? kWindowsHead : kLinuxHead) + kTextAndPass +
           (windows ? kWindowsName : kLinuxHamlib) + kPassOptions + (windows ? "" : kLinuxSources) +
           kLinkOptions + (windows ? kWindowsEnding : kLinuxEnding);
}

namespace {

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

// Where an option's value may lie; the text names it for the operator.
struct Range {
    double low;
    double high;
    bool above_low;  // low itself excluded
    bool below_high; // high itself excluded
    const char* text;
};

constexpr Range kFrequency{0.0, 100e9, true, true, "above 0 Hz and below 100 GHz (1e11)"};
constexpr Range kAltitude{150.0, 40000.0, false, false, "150 to 40000 km"};
constexpr Range kMaxElevation{0.0, 90.0, true, false, "above 0 and at most 90 degrees"};
constexpr Range kHeading{-360.0, 360.0, false, false, "-360 to 360 degrees"};
constexpr Range kTimeFactor{0.01, 1000.0, false, false, "0.01 to 1000"};

double ranged(const std::string& option, const std::string& text, const Range& range) {
    const double value = number(option, text);
    const bool above = range.above_low ? value > range.low : value >= range.low;
    const bool below = range.below_high ? value < range.high : value <= range.high;
    if (!above || !below) {
        throw std::invalid_argument(option + ": " + text + " is out of range: expected " +
                                    range.text);
    }
    return value;
}

std::time_t parse_utc(const std::string& text) {
    std::tm parts{};
    const std::string wrong = "--aos: expected yyyy-mm-dd hh:mm:ss: " + text;
#ifdef _WIN32
    // No strptime or timegm in the Windows C library.
    std::istringstream in(text);
    in >> std::get_time(&parts, "%Y-%m-%d %H:%M:%S");
    if (in.fail() || in.peek() != std::char_traits<char>::eof()) {
        throw std::invalid_argument(wrong);
    }
    return _mkgmtime(&parts);
#else
    const char* end = strptime(text.c_str(), "%Y-%m-%d %H:%M:%S", &parts);
    if (end == nullptr || *end != '\0') {
        throw std::invalid_argument(wrong);
    }
    return timegm(&parts);
#endif
}

} // namespace

Options parse_options(int argc, char** argv) {
    Options o;
    std::string hamlib_only;
    bool aos_given = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                throw std::invalid_argument(option + " needs a value");
            }
            return argv[++i];
        };
        const auto count = [&](int low, int high) {
            const std::string text = value();
            const double n = number(option, text);
            if (n != std::floor(n) || n < low || n > high) {
                throw std::invalid_argument(option + ": " + text +
                                            " is out of range: expected a whole number from " +
                                            std::to_string(low) + " to " + std::to_string(high));
            }
            return static_cast<int>(n);
        };
        if (option == "--help") {
            std::cout << help_text(kWindows);
            std::exit(0);
        } else if (option == "--version") {
            std::cout << "dopplex-tracker " << kVersion << '\n';
            std::exit(0);
        } else if (option == "--name") {
            o.satellite.name = value();
            o.hamlib_options.name = o.satellite.name;
        } else if (option == "--altitude") {
            o.satellite.pass.altitude_km = ranged(option, value(), kAltitude);
        } else if (option == "--max-elevation") {
            o.satellite.pass.max_elevation_deg = ranged(option, value(), kMaxElevation);
        } else if (option == "--heading") {
            o.satellite.pass.heading_deg = ranged(option, value(), kHeading);
        } else if (option == "--downlink") {
            o.satellite.downlink_hz = ranged(option, value(), kFrequency);
        } else if (option == "--uplink") {
            o.satellite.uplink_hz = ranged(option, value(), kFrequency);
        } else if (option == "--uplink-mode") {
            o.satellite.uplink_mode = value();
        } else if (option == "--downlink-mode") {
            o.satellite.downlink_mode = value();
        } else if (option == "--interval") {
            o.schedule.interval_ms = count(10, 60000);
        } else if (option == "--lead-in") {
            o.schedule.lead_in_s = count(0, 3600);
        } else if (option == "--tail") {
            o.schedule.tail_updates = count(0, 1000);
        } else if (option == "--passes") {
            o.schedule.passes = count(1, 100);
        } else if (option == "--time-factor") {
            o.time_factor = ranged(option, value(), kTimeFactor);
        } else if (option == "--aos") {
            o.schedule.first_aos_utc = parse_utc(value());
            aos_given = true;
        } else if (option == "--replay") {
            o.replay = value();
        } else if (option == "--from-command") {
            o.from_command = value();
            if (o.from_command.empty()) {
                throw std::invalid_argument("--from-command needs a command");
            }
        } else if (option == "--print") {
            o.print = true;
        } else if (option == "--hamlib") {
            o.hamlib = true;
        } else if (option == "--rig") {
            o.hamlib_options.rig = parse_endpoint(option, value());
            hamlib_only = option;
        } else if (option == "--uplink-rig") {
            o.hamlib_options.uplink_rig = parse_endpoint(option, value());
            hamlib_only = option;
        } else if (option == "--rotator") {
            o.hamlib_options.rotator = parse_endpoint(option, value());
            hamlib_only = option;
        } else if (option == "--allow-other-users") {
            o.hamlib_options.allow_other_users = true;
            hamlib_only = option;
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
    if (!o.hamlib && !hamlib_only.empty()) {
        throw std::invalid_argument(hamlib_only + " needs --hamlib");
    }
    if (o.hamlib && (o.print || !o.replay.empty())) {
        throw std::invalid_argument("--hamlib cannot be combined with --replay or --print");
    }
    if (!o.from_command.empty() && (o.hamlib || o.print || !o.replay.empty())) {
        throw std::invalid_argument(
            "--from-command cannot be combined with --hamlib, --replay or --print");
    }
    if (!aos_given) {
        o.schedule.first_aos_utc =
            std::time(nullptr) + static_cast<std::time_t>(o.schedule.lead_in_s);
    }
    return o;
}

} // namespace dopplex::tracker
