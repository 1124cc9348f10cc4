// The --port / DOPPLEX_PORT parser, the default choice and the descriptions.
#include "port/port_spec.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace dopplex::port {
namespace {

using ::testing::HasSubstr;

TEST(PortSpec, ParsesEveryKind) {
    const GpioOffsets pi_lines{17, 18, 27, 22, 23, 24, 25, 4};
    struct Row {
        const char* text;
        PortSpec spec;
        const char* description;
    };
    const std::vector<Row> rows = {
        {"ppdev", {.kind = PortKind::Ppdev, .path = "/dev/parport0"}, "ppdev /dev/parport0"},
        {"ppdev:/dev/parport1",
         {.kind = PortKind::Ppdev, .path = "/dev/parport1"},
         "ppdev /dev/parport1"},
        {"ioport", {.kind = PortKind::IoPort, .address = 0x378}, "direct I/O at 0x378"},
        {"ioport:0x278", {.kind = PortKind::IoPort, .address = 0x278}, "direct I/O at 0x278"},
        {"ioport:0X3bc", {.kind = PortKind::IoPort, .address = 0x3BC}, "direct I/O at 0x3BC"},
        {"ioport:888", {.kind = PortKind::IoPort, .address = 888}, "direct I/O at 0x378"},
        {"gpio:gpiochip0:17,18,27,22,23,24,25,4",
         {.kind = PortKind::Gpio, .chip = "gpiochip0", .offsets = pi_lines},
         "GPIO gpiochip0 lines 17,18,27,22,23,24,25,4"},
        {"gpio:/dev/gpiochip4:0,1,2,3,4,5,6,7",
         {.kind = PortKind::Gpio, .chip = "/dev/gpiochip4", .offsets = {0, 1, 2, 3, 4, 5, 6, 7}},
         "GPIO /dev/gpiochip4 lines 0,1,2,3,4,5,6,7"},
#if DOPPLEX_FTDI
        {"ftdi", {.kind = PortKind::Ftdi}, "FTDI bit-bang 0403:6001"},
        {"ftdi:0403:6015", {.kind = PortKind::Ftdi, .product = 0x6015}, "FTDI bit-bang 0403:6015"},
        {"ftdi:403:6001", {.kind = PortKind::Ftdi}, "FTDI bit-bang 0403:6001"},
#endif
        {"trace:/tmp/lines.log",
         {.kind = PortKind::Trace, .path = "/tmp/lines.log"},
         "trace to /tmp/lines.log"},
        {"trace:relative:name.log",
         {.kind = PortKind::Trace, .path = "relative:name.log"},
         "trace to relative:name.log"},
        {"virtual", {.kind = PortKind::Virtual}, "virtual (no hardware)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(parse_port_spec(row.text), row.spec);
        EXPECT_EQ(describe(row.spec), row.description);
    }
}

TEST(PortSpec, RejectsBadTextWithAClearMessage) {
    struct Row {
        const char* text;
        const char* message;
    };
    const std::vector<Row> rows = {
        {"", "unknown kind \"\""},
        {"parport", "Bad port \"parport\": unknown kind \"parport\"; use ppdev, ioport"},
        {"PPDEV", "unknown kind"},
        {"ppdev:", "nothing after the colon"},
        {"virtual:x", "virtual takes no argument"},
        {"trace", "give the file to write"},
        {"ioport:0", "not an I/O port address"},
        {"ioport:0x10000", "not an I/O port address"},
        {"ioport:378h", "not an I/O port address"},
        {"ioport:-1", "not an I/O port address"},
        {"ioport:0x", "not an I/O port address"},
        {"gpio", "give a chip and eight line offsets"},
        {"gpio:17,18,27,22,23,24,25,4", "give a chip and eight line offsets"},
        {"gpio:gpiochip0:17,18,27", "eight line offsets needed, 3 given"},
        {"gpio:gpiochip0:0,1,2,3,4,5,6,7,8", "more than eight"},
        {"gpio:gpiochip0:0,1,2,3,4,5,6,6", "line 6 is listed twice"},
        {"gpio:gpiochip0:0,1,2,,4,5,6,7", "\"\" is not a line offset"},
        {"gpio:gpiochip0:0,1,2,3,4,5,6,x", "\"x\" is not a line offset"},
        {"gpio:gpiochip0:0,1,2,3,4,5,6,70000", "\"70000\" is not a line offset"},
#if DOPPLEX_FTDI
        {"ftdi:0403", "give vendor and product"},
        {"ftdi:0403:60011", "\"60011\" is not a USB id"},
        {"ftdi:0403:xyz", "\"xyz\" is not a USB id"},
        {"ftdi:0403:", "\"\" is not a USB id"},
#else
        {"ftdi", "ftdi is not in this build (made without libftdi1); use ppdev, ioport, gpio, "
                 "trace or virtual"},
        {"ftdi:0403:6001", "ftdi is not in this build"},
#endif
        {"inpout", "inpout is only on Windows; on Linux use ppdev or ioport"},
        {"inpout:0x378", "inpout is only on Windows"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        try {
            parse_port_spec(row.text);
            ADD_FAILURE() << "accepted";
        } catch (const PortSpecError& error) {
            EXPECT_THAT(error.what(), HasSubstr(row.message));
        }
    }
}

// The help lists what this build can open.
TEST(PortSpec, UsageSaysWhetherFtdiIsBuilt) {
    const std::string usage = port_spec_usage();
#if DOPPLEX_FTDI
    EXPECT_THAT(usage, HasSubstr("ftdi[:VENDOR:PRODUCT]       FT232R/FT245R bit-bang"));
#else
    EXPECT_THAT(usage, HasSubstr("ftdi                        not in this build"));
#endif
}

TEST(PortSpec, OptionBeatsEnvironmentBeatsDefault) {
    const PortSpec parport0{.kind = PortKind::Ppdev, .path = "/dev/parport0"};
    const PortSpec virtual_port{.kind = PortKind::Virtual};
    const PortSpec trace{.kind = PortKind::Trace, .path = "/tmp/a"};
    EXPECT_EQ(choose_port_spec(std::nullopt, std::nullopt, true), parport0);
    EXPECT_EQ(choose_port_spec(std::nullopt, std::nullopt, false), virtual_port);
    EXPECT_EQ(choose_port_spec(std::nullopt, "trace:/tmp/a", true), trace);
    EXPECT_EQ(choose_port_spec("virtual", "trace:/tmp/a", true), virtual_port);
    EXPECT_THROW(choose_port_spec("bogus", "virtual", true), PortSpecError);
}

} // namespace
} // namespace dopplex::port
