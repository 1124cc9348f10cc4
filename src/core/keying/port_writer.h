// The one way a byte reaches the output lines.
// Implemented by the platform backends (parallel port, GPIO, USB adapter, trace, virtual) and by
// test recorders. Called on the engine thread only; every call is a real write, duplicates too.
#pragma once

#include <cstdint>

namespace dopplex {

class PortWriter {
public:
    virtual ~PortWriter() = default;
    virtual void Out32(std::uint16_t address, std::uint8_t data) = 0;
};

} // namespace dopplex
