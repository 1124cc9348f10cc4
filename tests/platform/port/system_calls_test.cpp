// The real system and library calls, on devices that exist on no machine: a clear error, no crash.
#include "port/port_spec.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace dopplex::port {
namespace {

using ::testing::HasSubstr;

TEST(RealSystemCalls, MissingDevicesGiveClearErrors) {
    struct Row {
        const char* spec;
        std::vector<std::string> parts;
    };
    const std::vector<Row> rows = {
        {"ppdev:/nonexistent-dopplex/parport9",
         {"opening /nonexistent-dopplex/parport9 failed (ENOENT", "modprobe ppdev"}},
        {"gpio:/nonexistent-dopplex/gpiochip9:0,1,2,3,4,5,6,7",
         {"opening GPIO chip /nonexistent-dopplex/gpiochip9 failed (ENOENT"}},
#if DOPPLEX_FTDI
        {"ftdi:ffff:fffe", {"FTDI adapter ffff:fffe"}},
#endif
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.spec);
        auto backend = make_port_backend(parse_port_spec(row.spec));
        try {
            backend->open();
            ADD_FAILURE() << "opened a device that does not exist";
        } catch (const PortError& error) {
            for (const auto& part : row.parts) {
                EXPECT_THAT(error.what(), HasSubstr(part));
            }
        }
        backend->close();
    }
}

} // namespace
} // namespace dopplex::port
