#include "edge_errors.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace dopplex::bench {

namespace {

// "<s>.<9 digits ns> <address> <byte> <bits>"
TraceWrite parse_line(const std::string& line) {
    std::istringstream in(line);
    std::string time, address;
    int byte = -1;
    in >> time >> address >> byte;
    const std::size_t dot = time.find('.');
    if (!in || dot == std::string::npos || time.size() - dot != 10 || byte < 0 || byte > 255) {
        throw std::runtime_error("unreadable trace line: " + line);
    }
    return {std::stoll(time.substr(0, dot)) * 1'000'000'000 + std::stoll(time.substr(dot + 1)),
            static_cast<std::uint8_t>(byte)};
}

} // namespace

std::vector<TraceWrite> read_trace(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        throw std::runtime_error("cannot open the trace file " + path);
    }
    std::vector<TraceWrite> writes;
    std::string line;
    while (std::getline(in, line)) {
        writes.push_back(parse_line(line));
    }
    return writes;
}

std::vector<Edge> line_edges(const std::vector<TraceWrite>& writes, std::uint8_t mask,
                             std::int64_t since_ns) {
    std::vector<Edge> edges;
    std::uint8_t lines = 0;
    for (const TraceWrite& w : writes) {
        const std::uint8_t changed = w.ns > since_ns ? (w.byte ^ lines) & mask : 0;
        for (int bit = 0; bit < 8; ++bit) {
            if ((changed >> bit) & 1) {
                edges.push_back({static_cast<double>(w.ns) / 1e6, bit, ((w.byte >> bit) & 1) != 0});
            }
        }
        lines = w.byte;
    }
    return edges;
}

EdgeErrors compare_edges(const std::vector<Edge>& actual, const std::vector<IdealEdge>& ideal,
                         Origin origin) {
    EdgeErrors result;
    result.edges = static_cast<int>(actual.size());
    result.expected = static_cast<int>(ideal.size());
    const std::size_t n = std::min(actual.size(), ideal.size());
    if (n == 0) {
        return result;
    }
    const double zero = origin == Origin::FirstEdge ? actual[0].ms - ideal[0].ms : 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const IdealEdge& want = ideal[i];
        if (actual[i].bit != want.bit || actual[i].rising != want.rising) {
            ++result.mismatched;
        }
        if (i == 0 && origin == Origin::FirstEdge) {
            continue;
        }
        if (want.after >= static_cast<int>(i)) {
            throw std::logic_error("an ideal edge can only follow an earlier edge");
        }
        const double ideal_ms = (want.after >= 0 ? actual[want.after].ms : zero) + want.ms;
        result.ms.push_back(std::abs(actual[i].ms - ideal_ms));
    }
    return result;
}

void append(EdgeErrors& into, const EdgeErrors& more) {
    into.ms.insert(into.ms.end(), more.ms.begin(), more.ms.end());
    into.edges += more.edges;
    into.expected += more.expected;
    into.mismatched += more.mismatched;
}

ErrorStats summarize(std::vector<double> values) {
    if (values.empty()) {
        return {};
    }
    std::sort(values.begin(), values.end());
    const auto rank = [&](double p) {
        const auto k = static_cast<std::size_t>(std::ceil(p * static_cast<double>(values.size())));
        return values[std::max<std::size_t>(k, 1) - 1];
    };
    return {rank(0.5), rank(0.99), values.back()};
}

} // namespace dopplex::bench
