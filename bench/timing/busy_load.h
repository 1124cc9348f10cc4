// Keeps the machine's cores busy while it lives: one spinning thread per requested core.
// Created and destroyed by the benchmark's main thread; the spinners only read a flag.
#pragma once

#include <atomic>
#include <thread>
#include <vector>

namespace dopplex::bench {

class BusyLoad {
public:
    explicit BusyLoad(int threads) {
        for (int i = 0; i < threads; ++i) {
            spinners_.emplace_back([this] {
                while (!stop_.load(std::memory_order_relaxed)) {
                }
            });
        }
    }
    ~BusyLoad() {
        stop_.store(true, std::memory_order_relaxed);
        for (std::thread& t : spinners_) {
            t.join();
        }
    }
    BusyLoad(const BusyLoad&) = delete;
    BusyLoad& operator=(const BusyLoad&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> spinners_;
};

} // namespace dopplex::bench
