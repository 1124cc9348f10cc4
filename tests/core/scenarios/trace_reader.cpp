#include "trace_reader.h"

#include <sstream>
#include <stdexcept>

namespace dopplex::test {

namespace {

// Reads `{"t":<digits>,"<kind>":` at the start of a line; std::regex would recurse once per
// character of a long dump line and overflow the stack.
bool split_line(const std::string& line, std::int64_t& t, std::string& kind, std::string& rest) {
    const std::string head = "{\"t\":";
    if (line.rfind(head, 0) != 0 || line.back() != '}') {
        return false;
    }
    std::size_t pos = head.size();
    const std::size_t digits = line.find_first_not_of("0123456789", pos);
    if (digits == pos || digits == std::string::npos || line.compare(digits, 2, ",\"") != 0) {
        return false;
    }
    t = std::stoll(line.substr(pos, digits - pos));
    const std::size_t kind_end = line.find("\":", digits + 2);
    if (kind_end == std::string::npos) {
        return false;
    }
    kind = line.substr(digits + 2, kind_end - digits - 2);
    rest = line.substr(kind_end + 2, line.size() - kind_end - 3);
    return true;
}

} // namespace

Trace ReadTrace(const std::string& jsonl) {
    Trace trace;
    std::istringstream in(jsonl);
    std::string line;
    while (std::getline(in, line)) {
        std::int64_t t = 0;
        std::string kind;
        std::string rest;
        if (!split_line(line, t, kind, rest)) {
            throw std::runtime_error("not a trace line: " + line.substr(0, 80));
        }
        if (kind == "port" && !rest.empty() &&
            rest.find_first_not_of("0123456789") == std::string::npos) {
            trace.writes.push_back({t, std::stoi(rest)});
        } else if (kind == "report" && rest.size() >= 2 && rest.front() == '"' &&
                   rest.back() == '"') {
            trace.reports.push_back(rest.substr(1, rest.size() - 2));
        } else if (kind == "dump") {
            trace.dumps[t] = rest;
        } else if (kind == "press" || kind == "behind" || kind == "ahead" || kind == "late_press" ||
                   kind == "reach" || kind == "radio" || kind == "cat") {
            trace.events.push_back({t, kind, rest});
        } else {
            throw std::runtime_error("not a trace line: " + line.substr(0, 80));
        }
    }
    return trace;
}

std::vector<std::int64_t> Trace::rises(int bit, std::int64_t from, std::int64_t to) const {
    std::vector<std::int64_t> times;
    bool high = false;
    for (const TraceWrite& w : writes) {
        const bool now_high = (w.value & bit) != 0;
        if (now_high && !high && w.t >= from && w.t < to) {
            times.push_back(w.t);
        }
        high = now_high;
    }
    return times;
}

std::vector<int> Trace::values_at(std::int64_t t) const {
    std::vector<int> values;
    for (const TraceWrite& w : writes) {
        if (w.t == t) {
            values.push_back(w.value);
        }
    }
    return values;
}

const std::string& Trace::dump(std::int64_t t) const {
    auto it = dumps.find(t);
    if (it == dumps.end()) {
        throw std::runtime_error("no dump at " + std::to_string(t));
    }
    return it->second;
}

std::string ControlJson(const std::string& dump, const std::string& name) {
    const std::string key = "\"" + name + "\":{";
    const std::size_t at = dump.find(key);
    if (at == std::string::npos) {
        throw std::runtime_error("no control " + name);
    }
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
