// The heavy load of the priority comparison: eight spinning threads per core and a disk writer
// that keeps the page cache flushing, for as long as it lives. Created and destroyed by the
// benchmark's main thread before it asks for any priority, so the load runs at normal priority.
#pragma once

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

namespace dopplex::bench {

class HeavyLoad {
public:
    HeavyLoad(int hogs_per_core, const std::filesystem::path& scratch_file);
    ~HeavyLoad();
    HeavyLoad(const HeavyLoad&) = delete;
    HeavyLoad& operator=(const HeavyLoad&) = delete;

    int hogs() const { return static_cast<int>(threads_.size()) - 1; }

private:
    void write_disk(const std::filesystem::path& scratch_file);

    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

} // namespace dopplex::bench
