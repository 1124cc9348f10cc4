// How RealHost sleeps until a deadline: on a condition variable, returning early once woken()
// holds (checked under the lock). Chosen at build time: the standard library's wait
// (deadline_wait.cpp), or on Windows a high-resolution timer for the last stretch
// (deadline_wait_win32.cpp), where a plain wait ends only on the 15.6 ms system tick.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace dopplex {

// Answers woken() as last seen: false when the deadline came first.
bool wait_until_woken(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                      std::chrono::steady_clock::time_point deadline,
                      const std::function<bool()>& woken);

} // namespace dopplex
