// dopplexd's configuration: the program's settings and, per transponder, its nominal downlink and
// uplink with the step, press and gap of each side. Read from files a person edits (INI: [dopplexd]
// and one [transponder NAME] per transponder); the learnt offsets and the page's token live in a
// state file of the same form that the program writes itself. Every fault is a ConfigError
// naming the file and line.
#pragma once

#include "cat/cat_address.h"
#include "hamlib/client_allow.h"
#include "loop/offset_limits.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace dopplex::headless {

class ConfigError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TrackingMode { Classic, Closed };
enum class Lock { Off, Inverting, NonInverting };

struct SideSettings {
    int step_hz = 100;
    int press_ms = 200;
    int gap_ms = 200;
    int sets_per_s = 5;    // a CAT radio's
    int resolution_hz = 1; // a CAT radio's
    bool operator==(const SideSettings&) const = default;
};

struct Transponder {
    std::string name;
    std::int64_t downlink_hz = 0;        // nominal: the RX reference
    std::int64_t uplink_hz = 0;          // nominal: the TX reference
    std::array<SideSettings, 2> sides{}; // RX, TX
    // A side's radio named here (push buttons or CAT) overrides the one of [dopplexd].
    std::array<std::optional<std::optional<CatAddress>>, 2> radios{};
    bool operator==(const Transponder&) const = default;
};

struct DaemonConfig {
    std::optional<std::string> port; // a port spec; none: the port area's default
    std::string rig = "127.0.0.1:4532";
    std::optional<std::string> uplink_rig;
    std::string rotator = "127.0.0.1:4533";
    tracker::AllowList rig_allow; // the clients the rig listeners serve; empty: all
    tracker::AllowList rotator_allow;
    std::string page = "127.0.0.1:8073";           // "off": no page
    std::vector<std::string> page_names;           // lower case: names the page answers to, as well
    std::optional<std::filesystem::path> pass_log; // none: no pass log
    TrackingMode tracking = TrackingMode::Classic;
    bool start_at_aos = true;
    Lock lock = Lock::Off;
    std::array<std::optional<CatAddress>, 2> radios{}; // RX, TX; none: push buttons
    std::vector<Transponder> transponders;             // in the order read
    // "FILE:LINE" of each address setting read from a file, for the faults found when it is used.
    std::map<std::string, std::string> places;
};

// What the program keeps between runs: the page's token and the offsets learnt per transponder.
struct DaemonState {
    std::string token;
    std::map<std::string, std::array<std::int64_t, 2>> offsets_hz; // RX, TX by transponder name
    bool operator==(const DaemonState&) const = default;
};

// Reads `text` into `config`: later files override the settings they name and replace the
// transponders they name. `origin` names the file in messages.
void read_config(const std::string& text, const std::string& origin, DaemonConfig& config);
DaemonState read_state(const std::string& text, const std::string& origin);
std::string write_state(const DaemonState& state);

// Reads each file that exists, in order; a file that exists but cannot be read is an error.
DaemonConfig load_config(const std::vector<std::filesystem::path>& files);
// Reads the one file the operator named: missing, unreadable or a folder is an error.
DaemonConfig load_named_config(const std::filesystem::path& file);

// The transponder whose nominal downlink lies within 15 kHz of `downlink_hz`.
struct TransponderChoice {
    const Transponder* transponder = nullptr; // none: see `why`
    std::string why;
};
TransponderChoice choose_transponder(const DaemonConfig& config, double downlink_hz);

// The radio of a side (0 RX, 1 TX) for a transponder: its own choice, else [dopplexd]'s.
std::optional<CatAddress> side_radio(const DaemonConfig& config, const Transponder& transponder,
                                     int side);
// What a side's learnt offset moves by: its step; any whole hertz for a CAT radio.
std::int64_t offset_step_hz(const DaemonConfig& config, const Transponder& transponder, int side);
// Throws ConfigError for a learnt offset that is not a multiple of its side's step.
void check_state(const DaemonConfig& config, const DaemonState& state);

} // namespace dopplex::headless
