// Which report is open and what waits behind it. One report is open at a time: an error raised
// while it is open (by a link update or a tick served meanwhile) does not open a nested one, so
// a tracker that keeps sending a bad number cannot stack reports without end. A repeat of a
// text already open or waiting is counted, a new text waits its turn, and past the queue's
// limit a text is dropped and counted; the count is shown once the queue has been worked off.
// A text raised again by the feed (a tracking update or a timer tick) within 10 s of the close
// of its report opens none either: it is counted for the status line, so a bad feed cannot lock
// the operator out. A text the operator's own input raised always opens.
// Engine thread only; raises nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>

namespace dopplex {

// What became of an error raised while a report was open.
enum class ReportHold {
    Repeat,     // its text is open or waiting already
    Queued,     // shown after the reports before it close
    Dropped,    // the queue was full; counted in a report of its own
    AfterClose, // raised by the feed again soon after its report was closed; counted
};

// "repeat", "queued", "dropped" or "after_close".
const char* ReportHoldName(ReportHold how);

class ReportQueue {
public:
    static constexpr std::size_t kQueueLimit = 8;
    static constexpr std::int64_t kQuietAfterCloseMs = 10'000;

    // Nothing when `text` is to be shown now: the caller shows it and calls next() once it is
    // closed. Otherwise what became of it. `from_feed`: raised by a tracking update or a tick.
    std::optional<ReportHold> offer(const std::string& text, bool from_feed = false,
                                    std::int64_t now_ms = 0);

    // The open report was closed at `now_ms`: the text to show next, or nothing when none is
    // left open.
    std::optional<std::string> next(std::int64_t now_ms = 0);

    // How often `text` was held since its report was last closed.
    std::size_t held_after_close(const std::string& text) const;

    // No report is open any more and nothing waits (the program is closing).
    void abandon();

private:
    bool waiting(const std::string& text) const;

    std::optional<std::string> open_;
    std::deque<std::string> queued_;
    std::size_t dropped_ = 0;
    struct Closed {
        std::int64_t at_ms = 0;
        std::size_t held = 0;
    };
    std::map<std::string, Closed> closed_; // within the quiet time
};

// The report that tells how many texts did not fit into the queue.
std::string DroppedReportText(std::size_t dropped);
// The status line for a text held after its close: "Floating point overflow: 37 more in the last
// 10 s".
std::string HeldAfterCloseText(const std::string& text, std::size_t held);

} // namespace dopplex
