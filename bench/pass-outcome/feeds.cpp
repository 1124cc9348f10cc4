#include "feeds.h"

#include <cmath>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace dopplex::bench {

namespace {

Feed generated(const PassKind& kind, const tracker::Schedule& schedule) {
    return {kind.label, kind.satellite.downlink_hz, kind.satellite.uplink_hz,
            read_updates(tracker::generate_passes(kind.satellite, schedule))};
}

} // namespace

Feed feed_of(const PassKind& kind) {
    return generated(kind, tracker::Schedule{});
}

Feed jittered(const PassKind& kind, std::int64_t spread_ms) {
    Feed feed = feed_of(kind);
    std::mt19937 draw(26);
    for (PassUpdate& u : feed.updates) {
        // Uniform in [-spread, spread] from the raw draws, the same on every standard library.
        const auto span = static_cast<std::uint32_t>(2 * spread_ms + 1);
        u.t = u.valid_t + static_cast<std::int64_t>(draw() % span) - spread_ms;
    }
    feed.label += ", ±" + std::to_string(spread_ms) + " ms";
    return feed;
}

Feed thinned(const PassKind& kind) {
    Feed feed = feed_of(kind);
    std::vector<PassUpdate> kept;
    for (std::size_t i = 0; i < feed.updates.size(); ++i) {
        if (i % 3 != 2) {
            kept.push_back(feed.updates[i]);
        }
    }
    feed.updates = kept;
    feed.label += ", every 3rd lost";
    return feed;
}

Feed cycled(const PassKind& kind, int cycle_ms) {
    tracker::Schedule schedule;
    schedule.interval_ms = cycle_ms;
    Feed feed = generated(kind, schedule);
    feed.label += ", " + std::to_string(cycle_ms / 1000) + " s cycle";
    return feed;
}

Feed recorded_gpredict(const std::string& path, const std::string& label, double downlink_hz,
                       double uplink_hz) {
    std::ifstream in(path);
    if (!in) {
        throw std::runtime_error("cannot read the recorded feed " + path);
    }
    Feed feed{label, downlink_hz, uplink_hz, {}};
    double dn = 0, up = 0, first = -1;
    double elevation = 0;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        double unix_s = 0, mono_s = 0;
        std::string from, command;
        if (!(words >> unix_s >> mono_s >> from >> command) || from != "C") {
            continue;
        }
        if (command == "AOS") {
            elevation = 0.1;
            continue;
        }
        if (command == "LOS") {
            elevation = -2.0;
            continue;
        }
        double hz = 0;
        if ((command != "F" && command != "I") || !(words >> hz)) {
            continue;
        }
        (command == "F" ? dn : up) = hz;
        if (dn == 0 || up == 0) {
            continue;
        }
        if (first < 0) {
            first = mono_s;
        }
        char text[160];
        std::snprintf(text, sizeof text, "SN\"ISS-TEST\" AZ0.0 EL%.1f DN%.0f UP%.0f", elevation, dn,
                      up);
        // Updates start a second into the run, as the generated ones do.
        const auto t = 1000 + static_cast<std::int64_t>(std::llround((mono_s - first) * 1000));
        PassUpdate u{t, text, elevation, dn, up};
        u.rx_sent = command == "F";
        u.tx_sent = command == "I";
        feed.updates.push_back(u);
    }
    if (feed.updates.empty()) {
        throw std::runtime_error("the recorded feed " + path + " holds no F and I commands");
    }
    return feed;
}

} // namespace dopplex::bench
