// Which report is open and what waits behind it. One report is open at a time: an error raised
// while it is open (by a link update or a tick served meanwhile) does not open a nested one, so
// a tracker that keeps sending a bad number cannot stack reports without end. A repeat of a
// text already open or waiting is counted, a new text waits its turn, and past the queue's
// limit a text is dropped and counted; the count is shown once the queue has been worked off.
// Engine thread only; raises nothing.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

namespace dopplex {

// What became of an error raised while a report was open.
enum class ReportHold {
    Repeat,  // its text is open or waiting already
    Queued,  // shown after the reports before it close
    Dropped, // the queue was full; counted in a report of its own
};

// "repeat", "queued" or "dropped".
const char* ReportHoldName(ReportHold how);

class ReportQueue {
public:
    static constexpr std::size_t kQueueLimit = 8;

    // Nothing when no report is open: the caller shows `text` now and calls next() once it is
    // closed. Otherwise what became of it.
    std::optional<ReportHold> offer(const std::string& text);

    // The open report was closed: the text to show next, or nothing when none is left open.
    std::optional<std::string> next();

    // No report is open any more and nothing waits (the program is closing).
    void abandon();

private:
    bool waiting(const std::string& text) const;

    std::optional<std::string> open_;
    std::deque<std::string> queued_;
    std::size_t dropped_ = 0;
};

// The report that tells how many texts did not fit into the queue.
std::string DroppedReportText(std::size_t dropped);

} // namespace dopplex
