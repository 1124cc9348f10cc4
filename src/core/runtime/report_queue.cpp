#include "runtime/report_queue.h"

#include <algorithm>

namespace dopplex {

const char* ReportHoldName(ReportHold how) {
    switch (how) {
    case ReportHold::Repeat:
        return "repeat";
    case ReportHold::Queued:
        return "queued";
    case ReportHold::Dropped:
        return "dropped";
    }
    return "unknown";
}

std::string DroppedReportText(std::size_t dropped) {
    return "Error messages not shown: " + std::to_string(dropped) + ".";
}

bool ReportQueue::waiting(const std::string& text) const {
    return text == *open_ || std::find(queued_.begin(), queued_.end(), text) != queued_.end();
}

std::optional<ReportHold> ReportQueue::offer(const std::string& text) {
    if (!open_) {
        open_ = text;
        return std::nullopt;
    }
    if (waiting(text))
        return ReportHold::Repeat;
    if (queued_.size() >= kQueueLimit) {
        ++dropped_;
        return ReportHold::Dropped;
    }
    queued_.push_back(text);
    return ReportHold::Queued;
}

std::optional<std::string> ReportQueue::next() {
    if (!queued_.empty()) {
        open_ = std::move(queued_.front());
        queued_.pop_front();
    } else if (dropped_ > 0) {
        open_ = DroppedReportText(dropped_);
        dropped_ = 0;
    } else {
        open_.reset();
    }
    return open_;
}

void ReportQueue::abandon() {
    open_.reset();
    queued_.clear();
    dropped_ = 0;
}

} // namespace dopplex
