// Reads a trace file back into line edges and measures each edge against its ideal time.
// Used by the timing benchmark after each run, on the main thread. read_trace throws
// std::runtime_error for a file it cannot open or a line it cannot read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dopplex::bench {

struct TraceWrite {
    std::int64_t ns = 0; // monotonic clock
    std::uint8_t byte = 0;
};

std::vector<TraceWrite> read_trace(const std::string& path);

struct Edge {
    double ms = 0; // monotonic time in ms
    int bit = 0;
    bool rising = false;
};

// Every change of a bit in `mask` by a write after `since_ns`, in write order; the lines start
// low and follow the earlier writes.
std::vector<Edge> line_edges(const std::vector<TraceWrite>& writes, std::uint8_t mask,
                             std::int64_t since_ns);

// Where an edge should be: `ms` after the run's origin, or after the actual edge `after`
// (a pulse's fall follows its own rise, however late that came).
struct IdealEdge {
    double ms = 0;
    int bit = 0;
    bool rising = false;
    int after = -1;
};

// The run's origin: its first edge (which then carries no error), or monotonic time zero when
// the schedule is known in absolute time.
enum class Origin { FirstEdge, Absolute };

struct EdgeErrors {
    std::vector<double> ms; // |actual - ideal| of every measured edge
    int edges = 0;          // edges seen
    int expected = 0;       // edges the schedule has
    int mismatched = 0;     // edges on another bit or in another direction than scheduled
};

EdgeErrors compare_edges(const std::vector<Edge>& actual, const std::vector<IdealEdge>& ideal,
                         Origin origin);

// Pools the results of several runs of one kind.
void append(EdgeErrors& into, const EdgeErrors& more);

struct ErrorStats {
    double median = 0;
    double p99 = 0;
    double max = 0;
};

// Nearest-rank percentiles; all zero for no values.
ErrorStats summarize(std::vector<double> values);

} // namespace dopplex::bench
