#include "journal.h"

#include <chrono>
#include <ctime>

namespace dopplex::headless {

std::string utc_now_text() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%SZ", &utc);
    return text;
}

void Journal::log(Priority priority, const std::string& line) {
    const std::string stamped = utc_now_text() + " " + line;
    std::lock_guard lock(mutex_);
    if (to_journald_) {
        out_ << '<' << static_cast<int>(priority) << '>' << line << std::endl;
    } else {
        out_ << stamped << std::endl;
    }
    recent_.push_back(stamped);
    if (recent_.size() > kKept) {
        recent_.pop_front();
    }
}

std::vector<std::string> Journal::recent() const {
    std::lock_guard lock(mutex_);
    return {recent_.begin(), recent_.end()};
}

} // namespace dopplex::headless
