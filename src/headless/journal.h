// dopplexd's log: one line per event on standard output. Under systemd (JOURNAL_STREAM set) each
// line carries its priority as "<N>" for the journal, which adds the time itself; elsewhere it
// starts with the UTC time. The last lines stay in memory for the status page. Any thread.
#pragma once

#include <deque>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace dopplex::headless {

enum class Priority { Error = 3, Warning = 4, Notice = 5, Info = 6 };

class Journal {
public:
    Journal(std::ostream& out, bool to_journald) : out_(out), to_journald_(to_journald) {}

    void log(Priority priority, const std::string& line);
    void info(const std::string& line) { log(Priority::Info, line); }
    void notice(const std::string& line) { log(Priority::Notice, line); }
    void warning(const std::string& line) { log(Priority::Warning, line); }
    void error(const std::string& line) { log(Priority::Error, line); }

    // The last lines, oldest first, each with its UTC time.
    std::vector<std::string> recent() const;

private:
    static constexpr std::size_t kKept = 40;
    std::ostream& out_;
    bool to_journald_;
    mutable std::mutex mutex_;
    std::deque<std::string> recent_;
};

// "2026-12-07 18:52:03Z" for now.
std::string utc_now_text();

} // namespace dopplex::headless
