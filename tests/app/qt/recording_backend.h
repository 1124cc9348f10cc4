// A port backend for the window tests: records every byte with its time, readable from the
// test's thread while the engine writes.
#pragma once

#include "port/port_backend.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace dopplex::app::test {

struct LineWrite {
    std::chrono::steady_clock::time_point at;
    std::uint8_t value;
};

class LineRecord {
public:
    void add(std::uint8_t value) {
        const std::lock_guard lock(mutex_);
        writes_.push_back({std::chrono::steady_clock::now(), value});
    }
    std::vector<LineWrite> writes() const {
        const std::lock_guard lock(mutex_);
        return writes_;
    }
    // Indexes of the writes that raise `bit`.
    std::vector<std::size_t> rising(int bit) const {
        const std::vector<LineWrite> all = writes();
        std::vector<std::size_t> out;
        bool was = false;
        for (std::size_t i = 0; i < all.size(); ++i) {
            const bool on = (all[i].value >> bit) & 1;
            if (on && !was) {
                out.push_back(i);
            }
            was = on;
        }
        return out;
    }

private:
    mutable std::mutex mutex_;
    std::vector<LineWrite> writes_;
};

class RecordingBackend final : public port::PortBackend {
public:
    explicit RecordingBackend(std::shared_ptr<LineRecord> record) : record_(std::move(record)) {}
    std::string description() const override { return "test recorder"; }
    void open() override {}
    void write(std::uint16_t, std::uint8_t data) override { record_->add(data); }
    void close() noexcept override {}

private:
    std::shared_ptr<LineRecord> record_;
};

} // namespace dopplex::app::test
