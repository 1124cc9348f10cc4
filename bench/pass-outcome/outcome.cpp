#include "outcome.h"

#include "feeds.h"
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
        if (std::sscanf(line.c_str(), "{\"t\":%lld,\"port\":%d}", &t, &byte) == 2) {
            radio.written(t, static_cast<std::uint8_t>(byte));
        } else if (const std::size_t key = line.find(',');
                   line.compare(key + 1, 7, "\"report") == 0) {
            reports.push_back(line);
        }
    }
    return reports;
}

struct SideFacts {
    RadioSide side;
    double reference_hz;
    double PassUpdate::*doppler_hz;
    bool PassUpdate::*sent;
};

// A tracker now and then sends a value computed for the second before: where one contradicts
// both its neighbours by more than this, the truth at its moment is the line between them.
constexpr double kStaleHz = 60;

struct Truth {
    std::int64_t t;
    double hz;
};

// The side's frequencies as sent, from AOS to the end of the pass, stale values mended.
std::vector<Truth> truths(const SideFacts& facts, const std::vector<PassUpdate>& updates,
                          const PassMoments& moments) {
    std::vector<Truth> sent;
    for (std::size_t i = moments.aos; i < moments.ends; ++i) {
        if (updates[i].*facts.sent) {
            sent.push_back({updates[i].valid_t, updates[i].*facts.doppler_hz});
        }
    }
    std::vector<Truth> mended = sent;
    for (std::size_t i = 1; i + 1 < sent.size(); ++i) {
        const Truth& a = sent[i - 1];
        const Truth& b = sent[i + 1];
        if (std::abs(sent[i].hz - a.hz) <= kStaleHz || std::abs(sent[i].hz - b.hz) <= kStaleHz) {
            continue;
        }
        const double share = static_cast<double>(sent[i].t - a.t) / static_cast<double>(b.t - a.t);
        const double line = a.hz + (b.hz - a.hz) * share;
        if (std::abs(sent[i].hz - line) > kStaleHz) {
            mended[i].hz = line;
        }
    }
    return mended;
}

SideOutcome measure(const SideFacts& facts, const ModelRadio& radio,
                    const std::vector<PassUpdate>& updates, const PassMoments& moments,
                    const RunSettings& settings, std::int64_t end_ms) {
    const double step = settings.step_hz;
    double start_dial = facts.reference_hz;
    if (tunes_by_hand(settings.step_hz)) {
        // Tuned by hand to the Doppler frequency of the update on the screen, in whole steps.
        const double doppler = updates[moments.aos].*facts.doppler_hz;
        start_dial += step * std::round((doppler - facts.reference_hz) / step);
    }
    const auto dial_at = [&](std::int64_t t) {
        return start_dial + step * radio.steps_by(facts.side, t);
    };

    SideOutcome outcome;
    double squares = 0;
    int samples = 0;
    const std::vector<Truth> truth = truths(facts, updates, moments);
    const std::int64_t aos = updates[moments.aos].valid_t;
    const std::int64_t from = aos + kSettleMs;
    std::optional<std::int64_t> caught;
    // The update that ends the pass stops the tracking: the pass runs up to the one before it.
    for (const Truth& u : truth) {
        const double distance = dial_at(u.t) - u.hz;
        if (!caught && std::abs(distance) <= step) {
            caught = u.t;
        }
        if (u.t < from) {
            continue;
        }
        outcome.max_hz = std::max(outcome.max_hz, std::abs(distance));
        squares += distance * distance;
        ++samples;
    }
    outcome.rms_hz = samples ? std::sqrt(squares / samples) : 0;
    outcome.after_reset_hz = dial_at(end_ms) - facts.reference_hz;
    if (caught) {
        outcome.within_step_s = static_cast<double>(*caught - aos) / 1000;
    }
    if (caught && truth.size() > 1) {
        const int doppler_way = truth.back().hz > truth.front().hz ? 1 : -1;
        const std::int64_t pass_end = updates[moments.ends].t;
        for (const DialStep& s : radio.steps(facts.side)) {
            if (s.t > *caught && s.t < pass_end && s.direction == -doppler_way) {
                ++outcome.against;
            }
        }
    }
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

Outcome fly(const Feed& feed, const RunSettings& settings) {
    const std::vector<PassUpdate>& updates = feed.updates;
    const PassMoments moments = pass_moments(updates);
    const Scenario scenario = parse(operator_scenario(feed, moments, settings));

    std::stringstream trace;
    RunScenario(scenario, trace);
    ModelRadio radio;
    Outcome outcome;
    outcome.reports = read_trace(trace, radio);
    const std::int64_t end = run_end_ms(updates, moments);
    radio.finish(end);

    const SideFacts rx{RadioSide::Rx, feed.downlink_hz, &PassUpdate::downlink_hz,
                       &PassUpdate::rx_sent};
    const SideFacts tx{RadioSide::Tx, feed.uplink_hz, &PassUpdate::uplink_hz, &PassUpdate::tx_sent};
    outcome.rx = measure(rx, radio, updates, moments, settings, end);
    outcome.tx = measure(tx, radio, updates, moments, settings, end);
    return outcome;
}

Outcome fly(const PassKind& kind, const RunSettings& settings) {
    return fly(feed_of(kind), settings);
}

} // namespace dopplex::bench
