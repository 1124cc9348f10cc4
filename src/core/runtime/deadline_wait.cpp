#include "runtime/deadline_wait.h"

namespace dopplex {

bool wait_until_woken(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                      std::chrono::steady_clock::time_point deadline,
                      const std::function<bool()>& woken) {
    return cv.wait_until(lock, deadline, woken);
}

} // namespace dopplex
