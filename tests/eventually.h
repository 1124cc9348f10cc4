// Waits for what another thread or process brings about, with a limit generous enough for a
// loaded machine and a sanitizer build: a slow run only waits longer, it does not fail.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace dopplex::test {

inline constexpr std::chrono::milliseconds kPatience{10000};

// Polls until `holds` is true or `limit` passed; returns the last answer.
inline bool eventually(const std::function<bool()>& holds,
                       std::chrono::milliseconds limit = kPatience) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!holds()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return holds();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace dopplex::test
