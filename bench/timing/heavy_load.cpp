#include "heavy_load.h"

#include <cstdio>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace dopplex::bench {

namespace {
constexpr std::size_t kBlock = 1 << 20;
// The file starts over at this size, so a long run does not fill the disk.
constexpr std::size_t kFileBlocks = 256;
constexpr std::size_t kBlocksPerFlush = 8;
} // namespace

HeavyLoad::HeavyLoad(int hogs_per_core, const std::filesystem::path& scratch_file) {
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    for (int i = 0; i < hogs_per_core * cores; ++i) {
        threads_.emplace_back([this] {
            while (!stop_.load(std::memory_order_relaxed)) {
            }
        });
    }
    threads_.emplace_back([this, scratch_file] { write_disk(scratch_file); });
}

HeavyLoad::~HeavyLoad() {
    stop_.store(true, std::memory_order_relaxed);
    for (std::thread& t : threads_) {
        t.join();
    }
}

void HeavyLoad::write_disk(const std::filesystem::path& scratch_file) {
    const std::vector<char> block(kBlock, 'x');
    while (!stop_.load(std::memory_order_relaxed)) {
        std::FILE* file = std::fopen(scratch_file.string().c_str(), "wb");
        if (!file) {
            return;
        }
        for (std::size_t n = 0; n < kFileBlocks && !stop_.load(std::memory_order_relaxed); ++n) {
            std::fwrite(block.data(), 1, block.size(), file);
            if (n % kBlocksPerFlush == kBlocksPerFlush - 1) {
                std::fflush(file);
#ifndef _WIN32
                fsync(fileno(file));
#endif
            }
        }
        std::fclose(file);
    }
    std::filesystem::remove(scratch_file);
}

} // namespace dopplex::bench
