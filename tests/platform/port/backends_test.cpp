// The hardware backends against recorded system and library calls.
#include "fake_calls.h"

#include <cerrno>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace dopplex::port::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

using MakeBackend = std::function<std::unique_ptr<PortBackend>(CallLog&)>;

TEST(PortBackends, PpdevClaimsExclusivelyAndWritesEveryByteIncludingDuplicates) {
    CallLog log;
    auto port = fake_ppdev(log);
    port->open();
    port->write(888, 12);
    port->write(888, 12);
    port->write(888, 255);
    port->close();
    port->close();
    EXPECT_THAT(log.calls, ElementsAre("open /dev/parport0", "ioctl 3 PPEXCL", "ioctl 3 PPCLAIM",
                                       "ioctl 3 PPWDATA 12", "ioctl 3 PPWDATA 12",
                                       "ioctl 3 PPWDATA 255", "ioctl 3 PPRELEASE", "close 3"));
}

TEST(PortBackends, IoPortWritesAtItsOwnAddressWhateverTheCallerSays) {
    CallLog log;
    auto port = fake_ioport(log, 0x278);
    port->open();
    port->write(888, 12);
    port->write(888, 12);
    port->close();
    EXPECT_THAT(log.calls, ElementsAre("ioperm 0x278 1 1", "outb 12 0x278", "outb 12 0x278",
                                       "ioperm 0x278 1 0"));
}

TEST(PortBackends, FtdiSetsAllPinsToBitBangOutputsAndWritesOneByteEach) {
    CallLog log;
    auto port = fake_ftdi(log);
    port->open();
    port->write(888, 12);
    port->write(888, 12);
    port->close();
    EXPECT_THAT(log.calls, ElementsAre("new", "usb_open 0x403 0x6001", "set_bitmode 0xff 0x1",
                                       "write 12", "write 12", "usb_close", "free"));
}

struct OpenFailure {
    const char* name;
    MakeBackend make;
    const char* failing_call;
    int result;
    std::vector<std::string> message_parts;
    std::vector<std::string> calls; // everything opened is closed again
};

TEST(PortBackends, OpenFailuresSayWhatToDoAndLeaveNothingOpen) {
    const MakeBackend ppdev = [](CallLog& log) { return fake_ppdev(log); };
    const MakeBackend ioport = [](CallLog& log) { return fake_ioport(log); };
    const MakeBackend ftdi = [](CallLog& log) { return fake_ftdi(log); };
    const std::vector<OpenFailure> rows = {
        {"ppdev missing",
         ppdev,
         "open",
         -ENOENT,
         {"opening /dev/parport0 failed (ENOENT", "modprobe ppdev"},
         {"open /dev/parport0"}},
        {"ppdev permission",
         ppdev,
         "open",
         -EACCES,
         {"(EACCES", "group \"lp\""},
         {"open /dev/parport0"}},
        {"ppdev no port",
         ppdev,
         "open",
         -ENXIO,
         {"(ENXIO", "no parallel port behind /dev/parport0"},
         {"open /dev/parport0"}},
        {"ppdev held by lp",
         ppdev,
         "PPCLAIM",
         -EBUSY,
         {"claiming /dev/parport0 failed (EBUSY", "another driver", "modprobe -r lp"},
         {"open /dev/parport0", "ioctl 3 PPEXCL", "ioctl 3 PPCLAIM", "close 3"}},
        {"ppdev shared refused",
         ppdev,
         "PPCLAIM",
         -ENXIO,
         {"claiming /dev/parport0 failed (ENXIO", "another driver"},
         {"open /dev/parport0", "ioctl 3 PPEXCL", "ioctl 3 PPCLAIM", "close 3"}},
        {"ioport no capability",
         ioport,
         "ioperm",
         -EPERM,
         {"I/O port 0x378 refused (EPERM", "CAP_SYS_RAWIO"},
         {"ioperm 0x378 1 1"}},
        {"ioport no port I/O",
         ioport,
         "ioperm",
         -ENOSYS,
         {"(ENOSYS", "direct port I/O is not available"},
         {"ioperm 0x378 1 1"}},
        {"ftdi not plugged",
         ftdi,
         "usb_open",
         -3,
         {"opening FTDI adapter 0403:6001 failed (libftdi -3", "plugged in"},
         {"new", "usb_open 0x403 0x6001", "free"}},
        {"ftdi permission",
         ftdi,
         "usb_open",
         -4,
         {"(libftdi -4", "group \"plugdev\"", "udev rule"},
         {"new", "usb_open 0x403 0x6001", "free"}},
        {"ftdi held by serial driver",
         ftdi,
         "usb_open",
         -5,
         {"(libftdi -5", "ftdi_sio"},
         {"new", "usb_open 0x403 0x6001", "free"}},
        {"ftdi no bit-bang",
         ftdi,
         "bitmode",
         -1,
         {"to bit-bang mode failed", "FT232R"},
         {"new", "usb_open 0x403 0x6001", "set_bitmode 0xff 0x1", "usb_close", "free"}},
        {"ftdi no USB", ftdi, "new", -1, {"USB library"}, {"new"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CallLog log;
        auto backend = row.make(log);
        log.then(row.failing_call, row.result);
        const std::string message = open_error(*backend);
        for (const auto& part : row.message_parts) {
            EXPECT_THAT(message, HasSubstr(part));
        }
        backend->close();
        EXPECT_EQ(log.calls, row.calls);
    }
}

TEST(PortBackends, WriteFailuresNameTheDeviceAndTheError) {
    struct Row {
        const char* name;
        MakeBackend make;
        const char* failing_call;
        int result;
        std::string message;
    };
    const std::vector<Row> rows = {
        {"ppdev", [](CallLog& log) { return fake_ppdev(log); }, "PPWDATA", -ENODEV,
         "writing to /dev/parport0 failed (ENODEV"},
        {"ftdi", [](CallLog& log) { return fake_ftdi(log); }, "write", -666,
         "writing to FTDI adapter 0403:6001 failed (libftdi -666"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CallLog log;
        auto backend = row.make(log);
        backend->open();
        log.then(row.failing_call, row.result);
        try {
            backend->write(888, 1);
            ADD_FAILURE() << "the write did not fail";
        } catch (const PortError& error) {
            EXPECT_THAT(error.what(), HasSubstr(row.message));
        }
    }
}

TEST(PortBackends, WritingBeforeOpenIsAnErrorNotASystemCall) {
    CallLog log;
    auto ppdev = fake_ppdev(log);
    auto gpio = fake_gpio(log);
    auto ftdi = fake_ftdi(log);
    auto ioport = fake_ioport(log);
    for (PortBackend* backend :
         std::vector<PortBackend*>{ppdev.get(), gpio.get(), ftdi.get(), ioport.get()}) {
        EXPECT_THROW(backend->write(888, 1), PortError) << backend->description();
    }
    EXPECT_TRUE(log.calls.empty());
}

} // namespace
} // namespace dopplex::port::testing
