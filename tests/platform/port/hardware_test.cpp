// Drives real lines: DOPPLEX_PORT names the backend (e.g. ppdev:/dev/parport0). Watch the LEDs:
// each line lights alone in turn from bit 0 (pin 2, red) to bit 7 (pin 9, green), then all,
// then none.
#include "port/port_spec.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

namespace dopplex::port {
namespace {

TEST(Hardware, WalksOneLineAfterAnother) {
    const char* spec = std::getenv("DOPPLEX_PORT");
    ASSERT_NE(spec, nullptr) << "set DOPPLEX_PORT to the port to drive, e.g. ppdev:/dev/parport0";
    auto backend = make_port_backend(parse_port_spec(spec));
    try {
        backend->open();
        for (int bit = 0; bit < 8; ++bit) {
            backend->write(888, static_cast<std::uint8_t>(1U << bit));
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
        backend->write(888, 0xFF);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        backend->write(888, 0x00);
    } catch (const PortError& error) {
        FAIL() << backend->description() << ": " << error.what();
    }
    backend->close();
}

} // namespace
} // namespace dopplex::port
