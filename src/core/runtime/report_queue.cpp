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
    case ReportHold::AfterClose:
        return "after_close";
    }
    return "unknown";
}

std::string DroppedReportText(std::size_t dropped) {
    return "Error messages not shown: " + std::to_string(dropped) + ".";
}

std::string HeldAfterCloseText(const std::string& text, std::size_t held) {
    const std::string subject =
        !text.empty() && text.back() == '.' ? text.substr(0, text.size() - 1) : text;
    return subject + ": " + std::to_string(held) + " more in the last " +
           std::to_string(ReportQueue::kQuietAfterCloseMs / 1000) + " s";
}

bool ReportQueue::waiting(const std::string& text) const {
    return text == *open_ || std::find(queued_.begin(), queued_.end(), text) != queued_.end();
}

std::optional<ReportHold> ReportQueue::offer(const std::string& text, bool from_feed,
                                             std::int64_t now_ms) {
    std::erase_if(closed_, [now_ms](const auto& closed) {
        return now_ms - closed.second.at_ms >= kQuietAfterCloseMs || now_ms < closed.second.at_ms;
    });
    if (!open_) {
        if (const auto closed = closed_.find(text); from_feed && closed != closed_.end()) {
            ++closed->second.held;
            return ReportHold::AfterClose;
        }
        open_ = text;
        return std::nullopt;
    }
    if (waiting(text)) {
        return ReportHold::Repeat;
    }
    if (queued_.size() >= kQueueLimit) {
        ++dropped_;
        return ReportHold::Dropped;
    }
    queued_.push_back(text);
    return ReportHold::Queued;
}

std::optional<std::string> ReportQueue::next(std::int64_t now_ms) {
    if (open_) {
        closed_[*open_] = Closed{now_ms, 0};
    }
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

std::size_t ReportQueue::held_after_close(const std::string& text) const {
    const auto closed = closed_.find(text);
    return closed == closed_.end() ? 0 : closed->second.held;
}

void ReportQueue::abandon() {
    open_.reset();
    queued_.clear();
    dropped_ = 0;
}

} // namespace dopplex
