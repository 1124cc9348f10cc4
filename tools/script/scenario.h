// The scenario runner: runs the main window on the virtual host from a scenario text and
// writes what happened, one JSON object per line, in time order. Used by dopplex-script, by
// the scenario tests and by users who dry-run a pass. Raises ScenarioError for a bad line.
#pragma once

#include "loop/loop_settings.h"

#include <cstdint>
#include <iosfwd>
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
    std::string verb; // tracking, click, type, key, syskey, dump, link
    std::string target;
    std::string text;
};

struct Scenario {
    std::vector<ScenarioStep> steps;
    std::int64_t report_ms = 0;
    std::int64_t until = -1; // -1: run until nothing is left to do
    TrackingMode tracking = TrackingMode::Classic;
    LoopSettings loop;
};

Scenario ParseScenario(std::istream& in);
// One "set" line's words after "set"; report_ms is the caller's.
void ParseLoopSetting(const std::string& name, const std::string& value, int line,
                      Scenario& scenario);

// Runs the scenario and writes its trace to `out`.
void RunScenario(const Scenario& scenario, std::ostream& out);

extern const char* const kScenarioHelp;

} // namespace dopplex
