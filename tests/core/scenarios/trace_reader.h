// Reads back the runner's JSON-lines trace: port writes, reports and dumps, enough to check an
// example's facts without trusting its expected file.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace dopplex::test {

struct TraceWrite {
    std::int64_t t;
    int value;
};

// A closed-loop or CAT line: its kind ("press", "radio", ...) and its object as text.
struct TraceEvent {
    std::int64_t t;
    std::string kind;
    std::string body;
};

struct Trace {
    std::vector<TraceWrite> writes;
    std::vector<TraceEvent> events;
    std::vector<std::string> reports;
    std::map<std::int64_t, std::string> dumps; // by time, the dump object as text

    // Times at which `bit` went high, among the writes in [from, to).
    std::vector<std::int64_t> rises(int bit, std::int64_t from = 0,
                                    std::int64_t to = INT64_MAX) const;
    std::vector<int> values_at(std::int64_t t) const;
    const std::string& dump(std::int64_t t) const;
};

Trace ReadTrace(const std::string& jsonl);

// The object of one control in a dump: {"text":...,"enabled":...}.
std::string ControlJson(const std::string& dump, const std::string& name);
bool Enabled(const std::string& dump, const std::string& name);
std::string Text(const std::string& dump, const std::string& name);
std::vector<std::string> MemoLines(const std::string& dump, const std::string& memo);
// The running timers, as the dump lists them: ["Timer2"].
std::string Timers(const std::string& dump);

} // namespace dopplex::test
