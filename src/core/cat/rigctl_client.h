// rigctld's protocol over one connection: the lines that set and read a side's frequency, and
// the answers matched to them. rigctld answers in order, so commands go out without waiting
// for earlier answers; the extended form ("+F", "+f") ends every answer with its "RPRT n" line,
// which frames the answers. Keeps what is in flight with its time and measures the answer
// time. Pure: the caller sends the lines and hands in the bytes. Engine thread only;
// received() raises std::runtime_error for an answer that matches nothing or is too long.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dopplex {

enum class CatAsk { Set, Read };

struct CatAnswer {
    CatAsk ask = CatAsk::Set;
    std::int64_t sent_at = 0;
    std::int64_t answered_at = 0;
    int code = 0;                      // RPRT n: 0 taken, negative refused
    double set_hz = 0;                 // Set: what was asked
    std::optional<double> read_hz;     // Read: the frequency read back
    std::uint64_t sets_before = 0;     // how many sets went out before this ask on the connection
    std::optional<double> last_set_hz; // Read: the last set that went out before it
};

class RigctlClient {
public:
    // `vfo` as in CatAddress.
    explicit RigctlClient(std::string vfo) : vfo_(std::move(vfo)) {}

    // The line to send; the ask counts as sent at `now`.
    std::string ask_set(double hz, std::int64_t now);
    std::string ask_read(std::int64_t now);
    // The answers that the bytes complete, in order.
    std::vector<CatAnswer> received(std::string_view bytes, std::int64_t now);
    // The connection is gone: nothing is in flight any more.
    void clear();

    bool set_in_flight() const;
    std::optional<std::int64_t> oldest_sent() const;
    // The answer time, smoothed over the last answers (none before the first).
    std::optional<double> answer_ms() const { return answer_ms_; }
    std::uint64_t sets_sent() const { return sets_sent_; }

    // An answer's lines: this much without an end is not rigctld.
    static constexpr std::size_t kLongestLine = 1024;

private:
    void finish(std::int64_t now);

    std::string vfo_;
    std::deque<CatAnswer> in_flight_;
    std::string buffer_;
    std::optional<double> pending_hz_; // a value line of the answer being read
    std::optional<double> answer_ms_;
    std::uint64_t sets_sent_ = 0;
    std::optional<double> last_set_hz_;
};

} // namespace dopplex
