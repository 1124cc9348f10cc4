#include "outcome.h"

#include "model_radio.h"
#include "scenario.h"

#include <cmath>
#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace dopplex::bench {

namespace {

Scenario parse(const std::string& text) {
    std::istringstream in(text);
    try {
        return ParseScenario(in);
    } catch (const ScenarioError& e) {
        throw std::runtime_error(std::string("the scenario runner rejects the operator: ") +
                                 e.what());
    }
}

// Feeds the trace's port writes to the radio and returns its error reports, shown or held.
std::vector<std::string> read_trace(std::istream& trace, ModelRadio& radio) {
    std::vector<std::string> reports;
    std::string line;
    while (std::getline(trace, line)) {
        long long t = 0;
        int byte = 0;
        if (std::sscanf(line.c_str(), "{\"t\":%lld,\"port\":%d}", &t, &byte) == 2)
            radio.written(t, static_cast<std::uint8_t>(byte));
        else if (const std::size_t key = line.find(','); line.compare(key + 1, 7, "\"report") == 0)
            reports.push_back(line);
    }
    return reports;
}

struct SideFacts {
    RadioSide side;
    double reference_hz;
    double (*doppler)(const PassUpdate&);
};

SideOutcome measure(const SideFacts& facts, const ModelRadio& radio,
                    const std::vector<PassUpdate>& updates, const PassMoments& moments,
                    const RunSettings& settings, std::int64_t end_ms) {
    const double step = settings.step_hz;
    double start_dial = facts.reference_hz;
    if (tunes_by_hand(settings.step_hz)) {
        // Tuned by hand to the Doppler frequency of the update on the screen, in whole steps.
        const double doppler = facts.doppler(updates[moments.aos]);
        start_dial += step * std::round((doppler - facts.reference_hz) / step);
    }
    const auto dial_at = [&](std::int64_t t) {
        return start_dial + step * radio.steps_by(facts.side, t);
    };

    SideOutcome outcome;
    double squares = 0;
    int samples = 0;
    const std::int64_t from = updates[moments.aos].t + kSettleMs;
    // The update that ends the pass stops the tracking: the pass runs up to the one before it.
    for (std::size_t i = moments.aos; i < moments.ends; ++i) {
        if (updates[i].t < from)
            continue;
        const double distance = dial_at(updates[i].t) - facts.doppler(updates[i]);
        outcome.max_hz = std::max(outcome.max_hz, std::abs(distance));
        squares += distance * distance;
        ++samples;
    }
    outcome.rms_hz = samples ? std::sqrt(squares / samples) : 0;
    outcome.after_reset_hz = dial_at(end_ms) - facts.reference_hz;
    return outcome;
}

} // namespace

bool runner_knows_closed_loop() {
    std::istringstream in("set tracking closed\n");
    try {
        ParseScenario(in);
        return true;
    } catch (const ScenarioError&) {
        return false;
    }
}

Outcome fly(const PassKind& kind, const RunSettings& settings) {
    const std::vector<PassUpdate> updates = read_updates(pass_updates(kind));
    const PassMoments moments = pass_moments(updates);
    const Scenario scenario = parse(operator_scenario(kind, updates, moments, settings));

    std::stringstream trace;
    RunScenario(scenario, trace);
    ModelRadio radio;
    Outcome outcome;
    outcome.reports = read_trace(trace, radio);
    const std::int64_t end = run_end_ms(updates, moments);
    radio.finish(end);

    const SideFacts rx{RadioSide::Rx, kind.satellite.downlink_hz,
                       [](const PassUpdate& u) { return u.downlink_hz; }};
    const SideFacts tx{RadioSide::Tx, kind.satellite.uplink_hz,
                       [](const PassUpdate& u) { return u.uplink_hz; }};
    outcome.rx = measure(rx, radio, updates, moments, settings, end);
    outcome.tx = measure(tx, radio, updates, moments, settings, end);
    return outcome;
}

} // namespace dopplex::bench
