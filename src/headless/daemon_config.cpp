#include "daemon_config.h"

#include "small_file.h"

#include <ini.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <set>
#include <sstream>

namespace dopplex::headless {

namespace {

constexpr double kMatchHz = 15000;
constexpr int kClassicSteps[] = {100, 1000}; // 25 Hz has no Tune: it cannot start at AOS
constexpr int kLoopSteps[] = {10, 25, 100, 1000, 2500, 5000, 6250, 12500};
constexpr const char* kTransponderPrefix = "transponder ";
constexpr const char* kOffsetsPrefix = "offsets ";

using Handler = std::function<void(const std::string& section, const std::string& key,
                                   const std::string& value, int line)>;

// inih reads through this callback one line at a time, so a fault is tied to its line here.
struct LineStream {
    std::istringstream in;
    int line = 0;
    bool too_long = false;
};

char* next_line(char* buffer, int size, void* stream) {
    auto& lines = *static_cast<LineStream*>(stream);
    std::string text;
    if (!std::getline(lines.in, text)) {
        return nullptr;
    }
    ++lines.line;
    if (text.size() + 2 > static_cast<std::size_t>(size)) {
        lines.too_long = true; // no exception through the C library
        return nullptr;
    }
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\n';
    buffer[text.size() + 1] = '\0';
    return buffer;
}

struct Parse {
    LineStream lines;
    const Handler* handler;
    std::string error;
    std::set<std::pair<std::string, std::string>> seen;
};

int on_pair(void* user, const char* section, const char* key, const char* value) {
    auto& parse = *static_cast<Parse*>(user);
    if (!parse.error.empty()) {
        return 0;
    }
    try {
        if (!parse.seen.emplace(section, key).second) {
            throw ConfigError(std::string("\"") + key + "\" given twice in [" + section + "]");
        }
        (*parse.handler)(section, key, value, parse.lines.line);
        return 1;
    } catch (const ConfigError& error) {
        parse.error = error.what();
        return 0;
    }
}

// Stops at the first fault: "FILE:LINE: what".
void parse_ini(const std::string& text, const std::string& origin, const Handler& handler) {
    // The parser reads C strings: a NUL would end a value early ("40\0..." read as 40).
    if (const std::size_t nul = text.find('\0'); nul != std::string::npos) {
        const auto line = std::count(text.begin(), text.begin() + std::ptrdiff_t(nul), '\n') + 1;
        throw ConfigError(origin + ":" + std::to_string(line) + ": a NUL byte, not text");
    }
    Parse parse{{std::istringstream(text), 0}, &handler, {}, {}};
    const int first_bad = ini_parse_stream(next_line, &parse.lines, on_pair, &parse);
    if (parse.lines.too_long && (first_bad == 0 || first_bad > parse.lines.line)) {
        throw ConfigError(origin + ":" + std::to_string(parse.lines.line) + ": line too long");
    }
    if (first_bad > 0) {
        const std::string what =
            parse.error.empty() ? "not \"key = value\", \"[section]\" or a comment" : parse.error;
        throw ConfigError(origin + ":" + std::to_string(first_bad) + ": " + what);
    }
}

std::int64_t integer(const std::string& key, const std::string& value, std::int64_t low,
                     std::int64_t high) {
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size() || value.empty()) {
        throw ConfigError("\"" + key + "\" must be a whole number, not \"" + value + "\"");
    }
    if (number < low || number > high) {
        throw ConfigError("\"" + key + "\" must be from " + std::to_string(low) + " to " +
                          std::to_string(high) + ", not " + value);
    }
    return number;
}

template <typename T>
T word(const std::string& key, const std::string& value,
       std::initializer_list<std::pair<const char*, T>> words) {
    std::string names;
    for (const auto& [name, meaning] : words) {
        if (value == name) {
            return meaning;
        }
        names += std::string(names.empty() ? "" : ", ") + name;
    }
    throw ConfigError("\"" + key + "\" must be one of " + names + ", not \"" + value + "\"");
}

// Host names, comma-separated, lower case.
std::vector<std::string> host_names(const std::string& key, const std::string& value) {
    std::vector<std::string> names;
    std::istringstream words(value);
    for (std::string name; std::getline(words, name, ',');) {
        name.erase(0, name.find_first_not_of(" \t"));
        name.erase(name.find_last_not_of(" \t") + 1);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (name.empty() || name.size() > 253 ||
            name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789.-") != std::string::npos) {
            throw ConfigError("\"" + key + "\": \"" + name + "\" is not a host name");
        }
        names.push_back(name);
    }
    return names;
}

tracker::AllowList allow_list(const std::string& key, const std::string& value) {
    try {
        return tracker::parse_allow_list(key, value);
    } catch (const std::invalid_argument& error) {
        throw ConfigError(error.what());
    }
}

std::optional<CatAddress> radio(const std::string& key, const std::string& value) {
    try {
        return parse_side_radio(value);
    } catch (const std::invalid_argument& error) {
        throw ConfigError("\"" + key + "\": " + error.what());
    }
}

void read_general(DaemonConfig& config, const std::string& key, const std::string& value,
                  const std::string& place) {
    if (key == "rig" || key == "uplink_rig" || key == "rotator" || key == "page") {
        config.places[key] = place;
    }
    if (key == "port") {
        config.port = value;
    } else if (key == "rx_radio" || key == "tx_radio") {
        config.radios[key == "rx_radio" ? 0 : 1] = radio(key, value);
    } else if (key == "rig") {
        config.rig = value;
    } else if (key == "uplink_rig") {
        config.uplink_rig = value.empty() ? std::nullopt : std::optional(value);
    } else if (key == "rotator") {
        config.rotator = value;
    } else if (key == "rig_allow") {
        config.rig_allow = allow_list(key, value);
    } else if (key == "rotator_allow") {
        config.rotator_allow = allow_list(key, value);
    } else if (key == "page") {
        config.page = value;
    } else if (key == "page_names") {
        config.page_names = host_names(key, value);
    } else if (key == "pass_log") {
        config.pass_log =
            value == "off" ? std::nullopt : std::optional<std::filesystem::path>(value);
    } else if (key == "tracking") {
        config.tracking = word(key, value,
                               {std::pair{"classic", TrackingMode::Classic},
                                std::pair{"closed", TrackingMode::Closed}});
    } else if (key == "start_at_aos") {
        config.start_at_aos = word(key, value, {std::pair{"on", true}, std::pair{"off", false}});
    } else if (key == "lock") {
        config.lock = word(key, value,
                           {std::pair{"off", Lock::Off}, std::pair{"inverting", Lock::Inverting},
                            std::pair{"noninverting", Lock::NonInverting}});
    } else {
        throw ConfigError("unknown setting \"" + key + "\" in [dopplexd]");
    }
}

void read_transponder(Transponder& entry, const std::string& key, const std::string& value) {
    constexpr std::int64_t kLowest = 1'000'000, kHighest = 100'000'000'000;
    if (key == "downlink" || key == "uplink") {
        (key == "downlink" ? entry.downlink_hz : entry.uplink_hz) =
            integer(key, value, kLowest, kHighest);
        return;
    }
    const bool rx = key.rfind("rx_", 0) == 0;
    if (!rx && key.rfind("tx_", 0) != 0) {
        throw ConfigError("unknown setting \"" + key + "\" in [transponder " + entry.name + "]");
    }
    SideSettings& side = entry.sides[rx ? 0 : 1];
    const std::string what = key.substr(3);
    if (what == "step") {
        side.step_hz = static_cast<int>(integer(key, value, 1, 12500));
        if (std::find(std::begin(kLoopSteps), std::end(kLoopSteps), side.step_hz) ==
            std::end(kLoopSteps)) {
            throw ConfigError("\"" + key + "\" must be 10, 25, 100, 1000, 2500, 5000, 6250 or " +
                              "12500 Hz, not " + value);
        }
    } else if (what == "press_ms") {
        side.press_ms = static_cast<int>(integer(key, value, 30, 1000));
    } else if (what == "gap_ms") {
        side.gap_ms = static_cast<int>(integer(key, value, 30, 1000));
    } else if (what == "sets_per_s") {
        side.sets_per_s = static_cast<int>(integer(key, value, 1, 20));
    } else if (what == "resolution_hz") {
        side.resolution_hz = static_cast<int>(integer(key, value, 1, 10000));
    } else if (what == "radio") {
        entry.radios[rx ? 0 : 1] = radio(key, value);
    } else {
        throw ConfigError("unknown setting \"" + key + "\" in [transponder " + entry.name + "]");
    }
}

std::string named(const std::string& section, const char* prefix) {
    const std::size_t length = std::strlen(prefix);
    if (section.compare(0, length, prefix) != 0) {
        return {};
    }
    return section.substr(length);
}

// Classic tracking has one step for both radios, and tunes at AOS only at these two; the closed
// loop takes each side's own step, press and gap.
void check_classic(const DaemonConfig& config, const std::string& origin) {
    if (config.tracking != TrackingMode::Classic) {
        return;
    }
    // Classic tracking is the original's: it presses buttons and nothing else.
    bool cat = config.radios[0] || config.radios[1];
    for (const Transponder& entry : config.transponders) {
        for (int side : {0, 1}) {
            cat = cat || side_radio(config, entry, side);
        }
    }
    if (cat) {
        throw ConfigError(origin + ": a CAT radio follows the closed loop: set tracking = closed");
    }
    for (const Transponder& entry : config.transponders) {
        const int step = entry.sides[0].step_hz;
        if (entry.sides[1].step_hz != step) {
            throw ConfigError(origin + ": [transponder " + entry.name +
                              "]: classic tracking has one step for both sides; set tracking = "
                              "closed for two");
        }
        if (std::find(std::begin(kClassicSteps), std::end(kClassicSteps), step) ==
            std::end(kClassicSteps)) {
            throw ConfigError(origin + ": [transponder " + entry.name +
                              "]: classic tracking tunes at AOS at 100 or 1000 Hz steps only");
        }
    }
}

} // namespace

void read_config(const std::string& text, const std::string& origin, DaemonConfig& config) {
    std::vector<Transponder> read;
    parse_ini(text, origin,
              [&](const std::string& section, const std::string& key, const std::string& value,
                  int line) {
                  if (section == "dopplexd") {
                      return read_general(config, key, value, origin + ":" + std::to_string(line));
                  }
                  const std::string name = named(section, kTransponderPrefix);
                  if (name.empty()) {
                      throw ConfigError("unknown section [" + section +
                                        "]: [dopplexd] or [transponder NAME]");
                  }
                  if (read.empty() || read.back().name != name) {
                      if (std::any_of(read.begin(), read.end(),
                                      [&](const Transponder& t) { return t.name == name; })) {
                          throw ConfigError("[transponder " + name + "] given twice");
                      }
                      read.push_back(Transponder{name});
                  }
                  read_transponder(read.back(), key, value);
              });
    for (const Transponder& entry : read) {
        if (entry.downlink_hz == 0 || entry.uplink_hz == 0) {
            throw ConfigError(origin + ": [transponder " + entry.name +
                              "] needs both downlink and uplink (Hz)");
        }
        const auto same = std::find_if(config.transponders.begin(), config.transponders.end(),
                                       [&](const Transponder& t) { return t.name == entry.name; });
        if (same != config.transponders.end()) {
            *same = entry;
        } else {
            config.transponders.push_back(entry);
        }
    }
    check_classic(config, origin);
}

DaemonState read_state(const std::string& text, const std::string& origin) {
    DaemonState state;
    parse_ini(
        text, origin,
        [&](const std::string& section, const std::string& key, const std::string& value, int) {
            if (section == "page" && key == "token") {
                state.token = value;
                return;
            }
            const std::string name = named(section, kOffsetsPrefix);
            if (name.empty() || (key != "rx" && key != "tx")) {
                throw ConfigError("unknown entry \"" + key + "\" in [" + section + "]");
            }
            state.offsets_hz[name][key == "rx" ? 0 : 1] =
                integer(key, value, -kOffsetLimitHz, kOffsetLimitHz);
        });
    return state;
}

std::string write_state(const DaemonState& state) {
    std::string text = "# Written by dopplexd: the page's token and the offsets it has learnt.\n";
    if (!state.token.empty()) {
        text += "[page]\ntoken = " + state.token + "\n";
    }
    for (const auto& [name, offsets] : state.offsets_hz) {
        text += "[" + std::string(kOffsetsPrefix) + name + "]\nrx = " + std::to_string(offsets[0]) +
                "\ntx = " + std::to_string(offsets[1]) + "\n";
    }
    return text;
}

namespace {

void read_file(const std::filesystem::path& file, DaemonConfig& config) {
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) {
        throw ConfigError(file.string() + ": a folder, not a configuration file");
    }
    const std::optional<std::string> text = read_small_file(file);
    if (!text) {
        throw ConfigError(file.string() + ": cannot be read: " + std::strerror(ENOENT));
    }
    read_config(*text, file.string(), config);
}

} // namespace

DaemonConfig load_config(const std::vector<std::filesystem::path>& files) {
    DaemonConfig config;
    for (const std::filesystem::path& file : files) {
        std::error_code missing;
        if (std::filesystem::exists(file, missing)) {
            read_file(file, config);
        }
    }
    return config;
}

DaemonConfig load_named_config(const std::filesystem::path& file) {
    DaemonConfig config;
    read_file(file, config);
    return config;
}

TransponderChoice choose_transponder(const DaemonConfig& config, double downlink_hz) {
    std::vector<const Transponder*> near;
    for (const Transponder& entry : config.transponders) {
        if (std::abs(static_cast<double>(entry.downlink_hz) - downlink_hz) <= kMatchHz) {
            near.push_back(&entry);
        }
    }
    const std::string heard = std::to_string(static_cast<std::int64_t>(std::llround(downlink_hz)));
    if (near.empty()) {
        return {nullptr, "no transponder within 15 kHz of the downlink " + heard +
                             " Hz: no press until one is configured"};
    }
    if (near.size() > 1) {
        return {nullptr, "transponders " + near[0]->name + " and " + near[1]->name +
                             " both lie within 15 kHz of the downlink " + heard +
                             " Hz: no press until one is removed"};
    }
    return {near.front(), {}};
}

std::optional<CatAddress> side_radio(const DaemonConfig& config, const Transponder& transponder,
                                     int side) {
    const auto& own = transponder.radios[static_cast<std::size_t>(side)];
    return own ? *own : config.radios[static_cast<std::size_t>(side)];
}

std::int64_t offset_step_hz(const DaemonConfig& config, const Transponder& transponder, int side) {
    // A CAT radio is set to the hertz; a knob turn is whatever the operator turned.
    return side_radio(config, transponder, side) ? 1 : transponder.sides[std::size_t(side)].step_hz;
}

void check_state(const DaemonConfig& config, const DaemonState& state) {
    for (const Transponder& transponder : config.transponders) {
        const auto learnt = state.offsets_hz.find(transponder.name);
        if (learnt == state.offsets_hz.end()) {
            continue;
        }
        for (const int side : {0, 1}) {
            const std::int64_t step = offset_step_hz(config, transponder, side);
            const std::int64_t offset = learnt->second[static_cast<std::size_t>(side)];
            if (offset % step != 0) {
                throw ConfigError("[" + std::string(kOffsetsPrefix) + transponder.name + "] \"" +
                                  (side == 0 ? "rx" : "tx") + "\" = " + std::to_string(offset) +
                                  " is not a multiple of the side's step, " + std::to_string(step) +
                                  " Hz");
            }
        }
    }
}

} // namespace dopplex::headless
