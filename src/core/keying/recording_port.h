// A port writer that records every write with the host's time: the port trace of tests and
// the scenario runner. With a listener each write goes to it instead of being kept, so a long
// run keeps nothing.
#pragma once

#include "keying/port_writer.h"
#include "runtime/host.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace dopplex {

struct PortWrite {
    std::int64_t t;
    std::uint16_t address;
    std::uint8_t value;
    bool operator==(const PortWrite&) const = default;
};

class RecordingPort : public PortWriter {
public:
    explicit RecordingPort(Host& host) : host_(host) {}
    void Out32(std::uint16_t address, std::uint8_t data) override {
        const PortWrite write{host_.now(), address, data};
        if (listener_) {
            listener_(write);
        } else {
            writes_.push_back(write);
        }
    }
    const std::vector<PortWrite>& writes() const { return writes_; }
    void clear() { writes_.clear(); }
    void on_write(std::function<void(const PortWrite&)> listener) {
        listener_ = std::move(listener);
    }

private:
    Host& host_;
    std::vector<PortWrite> writes_;
    std::function<void(const PortWrite&)> listener_;
};

} // namespace dopplex
