// The scenario runner: runs the main window on the virtual host from a scenario text and
// writes what happened, one JSON object per line, in time order. Used by dopplex-script, by
// the scenario tests and by users who dry-run a pass. Raises ScenarioError for a bad line.
#pragma once

#include "loop/loop_settings.h"

#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace dopplex {

class ScenarioError : public std::runtime_error {
public:
    ScenarioError(int line, const std::string& message)
        : std::runtime_error("line " + std::to_string(line) + ": " + message), line_(line) {}
    int line() const { return line_; }

private:
    int line_;
};

struct ScenarioStep {
    int line = 0;
    std::int64_t t = 0;
    std::string verb; // tracking, click, type, key, syskey, dump, link, knob
    std::string target;
    std::string text;
};

// A side's CAT radio in a scenario: rigctld and its radio as a model in virtual time, whose
// commands reach the radio and whose answers come back `each_way_ms` later.
struct ScenarioRadio {
    int line = 0; // of its "set radio"
    std::int64_t each_way_ms = 20;
};

struct Scenario {
    std::vector<ScenarioStep> steps;
    std::int64_t report_ms = 0;
    std::int64_t until = -1; // -1: run until nothing is left to do
    TrackingMode tracking = TrackingMode::Classic;
    LoopSettings loop;
    std::array<std::optional<ScenarioRadio>, 2> radios; // by side; none: its push buttons
};

Scenario ParseScenario(std::istream& in);
// One "set" line's words after "set"; report_ms is the caller's.
void ParseLoopSetting(const std::string& name, const std::string& value, int line,
                      Scenario& scenario);

// A "set radio" line's words after "radio".
void ParseRadioSetting(const std::string& value, int line, Scenario& scenario);
// A "knob" line's words: "rx -1000".
struct KnobTurn {
    Side side = Side::Rx;
    std::int64_t hz = 0;
};
KnobTurn ParseKnobTurn(const std::string& words, int line);
// Raises ScenarioError for a CAT radio without the closed loop, or a knob with no model radio.
void CheckRadios(const Scenario& scenario);

// Runs the scenario and writes its trace to `out`.
void RunScenario(const Scenario& scenario, std::ostream& out);

extern const char* const kScenarioHelp;

} // namespace dopplex
