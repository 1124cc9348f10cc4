#include "trace_reader.h"

#include <regex>
#include <sstream>
#include <stdexcept>

namespace dopplex::test {

Trace ReadTrace(const std::string& jsonl) {
    static const std::regex port(R"re(^\{"t":(\d+),"port":(\d+)\}$)re");
    static const std::regex report(R"re(^\{"t":\d+,"report":"(.*)"\}$)re");
    static const std::regex dump(R"re(^\{"t":(\d+),"dump":(.*)\}$)re");
    Trace trace;
    std::istringstream in(jsonl);
    std::string line;
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_match(line, m, port))
            trace.writes.push_back({std::stoll(m[1]), std::stoi(m[2])});
        else if (std::regex_match(line, m, report))
            trace.reports.push_back(m[1]);
        else if (std::regex_match(line, m, dump))
            trace.dumps[std::stoll(m[1])] = m[2];
        else
            throw std::runtime_error("not a trace line: " + line.substr(0, 80));
    }
    return trace;
}

std::vector<std::int64_t> Trace::rises(int bit, std::int64_t from, std::int64_t to) const {
    std::vector<std::int64_t> times;
    bool high = false;
    for (const TraceWrite& w : writes) {
        const bool now_high = (w.value & bit) != 0;
        if (now_high && !high && w.t >= from && w.t < to)
            times.push_back(w.t);
        high = now_high;
    }
    return times;
}

std::vector<int> Trace::values_at(std::int64_t t) const {
    std::vector<int> values;
    for (const TraceWrite& w : writes)
        if (w.t == t)
            values.push_back(w.value);
    return values;
}

const std::string& Trace::dump(std::int64_t t) const {
    auto it = dumps.find(t);
    if (it == dumps.end())
        throw std::runtime_error("no dump at " + std::to_string(t));
    return it->second;
}

std::string ControlJson(const std::string& dump, const std::string& name) {
    const std::string key = "\"" + name + "\":{";
    const std::size_t at = dump.find(key);
    if (at == std::string::npos)
        throw std::runtime_error("no control " + name);
    const std::size_t open = at + key.size() - 1;
    return dump.substr(open, dump.find('}', open) - open + 1);
}

bool Enabled(const std::string& dump, const std::string& name) {
    return ControlJson(dump, name).find("\"enabled\":true") != std::string::npos;
}

std::string Text(const std::string& dump, const std::string& name) {
    const std::string control = ControlJson(dump, name);
    const std::size_t start = control.find("\"text\":\"") + 8;
    return control.substr(start, control.find('"', start) - start);
}

std::vector<std::string> MemoLines(const std::string& dump, const std::string& memo) {
    const std::string control = ControlJson(dump, memo);
    const std::size_t open = control.find("\"lines\":[") + 9;
    const std::string list = control.substr(open, control.rfind(']') - open);
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while ((pos = list.find('"', pos)) != std::string::npos) {
        const std::size_t end = list.find('"', pos + 1);
        lines.push_back(list.substr(pos + 1, end - pos - 1));
        pos = end + 1;
    }
    return lines;
}

std::string Timers(const std::string& dump) {
    const std::size_t open = dump.find("\"timers\":") + 9;
    return dump.substr(open, dump.find(']', open) - open + 1);
}

} // namespace dopplex::test
