// The supervisor: faults reported once, fallback to virtual, unknown lines, reopen, recovery.
#include "fake_calls.h"
#include "port/supervised_port.h"

#include <cerrno>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace dopplex::port::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct Recorder final : PortStatusListener {
    std::vector<PortStatus> seen;
    void port_status_changed(const PortStatus& status) override { seen.push_back(status); }
};

struct Harness {
    CallLog log;
    std::vector<std::string> reports;
    Recorder listener;

    SupervisedPort make(std::unique_ptr<PortBackend> backend) {
        return SupervisedPort(
            std::move(backend), [this](const std::string& text) { reports.push_back(text); },
            &listener);
    }
};

TEST(SupervisedPort, HealthyPortPassesEveryWriteAndShowsTheLastByte) {
    Harness h;
    auto port = h.make(fake_ppdev(h.log));
    port.open();
    port.Out32(888, 12);
    port.Out32(888, 12);
    EXPECT_THAT(h.log.take(), ElementsAre("open /dev/parport0", "ioctl 3 PPEXCL", "ioctl 3 PPCLAIM",
                                          "ioctl 3 PPWDATA 12", "ioctl 3 PPWDATA 12"));
    EXPECT_TRUE(h.reports.empty());
    EXPECT_EQ(port.status(), (PortStatus{"ppdev /dev/parport0", PortHealth::Ok, 12, ""}));
    ASSERT_EQ(h.listener.seen.size(), 3U); // open and two writes
    EXPECT_EQ(h.listener.seen[0].lines, std::nullopt);
    EXPECT_EQ(h.listener.seen[2], port.status());
}

TEST(SupervisedPort, FailedOpenIsReportedOnceAndRunsOnVirtual) {
    struct Row {
        const char* name;
        std::function<std::unique_ptr<PortBackend>(CallLog&)> make;
        const char* failing_call;
        int result;
        const char* hint;
    };
    const std::vector<Row> rows = {
        {"ENOENT", [](CallLog& l) { return fake_ppdev(l); }, "open", -ENOENT, "modprobe ppdev"},
        {"EACCES", [](CallLog& l) { return fake_ppdev(l); }, "open", -EACCES, "group \"lp\""},
        {"EBUSY", [](CallLog& l) { return fake_gpio(l); }, "request", -EBUSY, "in use"},
        {"ENXIO", [](CallLog& l) { return fake_ppdev(l); }, "open", -ENXIO, "no parallel port"},
        {"ENOSYS", [](CallLog& l) { return fake_ioport(l); }, "ioperm", -ENOSYS,
         "direct port I/O is not available"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Harness h;
        h.log.then(row.failing_call, row.result);
        auto port = h.make(row.make(h.log));
        const std::string chosen = port.status().backend;
        port.open();
        h.log.take();
        port.Out32(888, 5);
        port.Out32(888, 5);
        EXPECT_TRUE(h.log.calls.empty()) << "the failed backend was used again";
        ASSERT_EQ(h.reports.size(), 1U);
        EXPECT_THAT(h.reports[0], HasSubstr("The port " + chosen + " could not be opened"));
        EXPECT_THAT(h.reports[0], HasSubstr(row.name));
        EXPECT_THAT(h.reports[0], HasSubstr(row.hint));
        EXPECT_THAT(h.reports[0], HasSubstr("runs on the virtual port"));
        const PortStatus status = port.status();
        EXPECT_EQ(status.backend, "virtual (no hardware)");
        EXPECT_EQ(status.health, PortHealth::Fallback);
        EXPECT_EQ(status.unopened, chosen);
        EXPECT_EQ(status.lines, 5);
        EXPECT_EQ(status.message, h.reports[0]);
    }
}

TEST(SupervisedPort, UnpluggedAdapterIsReportedOnceThenReopenedAtLaterWrites) {
    Harness h;
    auto port = h.make(fake_ppdev(h.log));
    port.Out32(888, 1); // opens on first use
    h.log.take();

    h.log.then("PPWDATA", -ENODEV);
    port.Out32(888, 2);
    EXPECT_THAT(h.log.take(), ElementsAre("ioctl 3 PPWDATA 2", "ioctl 3 PPRELEASE", "close 3"));
    ASSERT_EQ(h.reports.size(), 1U);
    EXPECT_THAT(h.reports[0], HasSubstr("The port ppdev /dev/parport0 stopped working"));
    EXPECT_THAT(h.reports[0], HasSubstr("ENODEV"));
    EXPECT_EQ(port.status().health, PortHealth::Failed);
    EXPECT_EQ(port.status().lines, std::nullopt);

    // Still unplugged: every write tries to reopen, nothing more is reported.
    h.log.then("open", -ENOENT, 2);
    port.Out32(888, 3);
    port.Out32(888, 3);
    EXPECT_THAT(h.log.take(), ElementsAre("open /dev/parport0", "open /dev/parport0"));
    EXPECT_EQ(h.reports.size(), 1U);
    EXPECT_EQ(port.status().health, PortHealth::Failed);
    EXPECT_EQ(port.status().lines, std::nullopt);

    // Plugged back: the write that reopens carries its byte.
    port.Out32(888, 4);
    EXPECT_THAT(h.log.take(), ElementsAre("open /dev/parport0", "ioctl 3 PPEXCL", "ioctl 3 PPCLAIM",
                                          "ioctl 3 PPWDATA 4"));
    EXPECT_EQ(h.reports.size(), 1U);
    EXPECT_EQ(port.status().health, PortHealth::Recovered);
    EXPECT_EQ(port.status().lines, 4);
    EXPECT_THAT(port.status().message, HasSubstr("reopened"));

    // A new fault after the recovery is a new report.
    h.log.then("PPWDATA", -EIO);
    port.Out32(888, 5);
    ASSERT_EQ(h.reports.size(), 2U);
    EXPECT_THAT(h.reports[1], HasSubstr("EIO"));
}

TEST(SupervisedPort, UnpluggedFtdiAdapterReopensWithAFreshContext) {
    Harness h;
    auto port = h.make(fake_ftdi(h.log));
    port.Out32(888, 1);
    h.log.take();
    h.log.then("write", -666);
    port.Out32(888, 2);
    h.log.then("usb_open", -3);
    port.Out32(888, 2);
    port.Out32(888, 2);
    EXPECT_THAT(h.log.take(), ElementsAre("write 2", "usb_close", "free",         // unplugged
                                          "new", "usb_open 0x403 0x6001", "free", // still gone
                                          "new", "usb_open 0x403 0x6001", "set_bitmode 0xff 0x1",
                                          "write 2")); // back
    EXPECT_EQ(h.reports.size(), 1U);
    EXPECT_EQ(port.status().health, PortHealth::Recovered);
}

TEST(SupervisedPort, ListenerSeesUnknownLinesAfterAFailedWrite) {
    Harness h;
    auto port = h.make(fake_gpio(h.log));
    port.Out32(888, 9);
    h.log.then("set", -ENODEV);
    port.Out32(888, 10);
    ASSERT_FALSE(h.listener.seen.empty());
    EXPECT_EQ(h.listener.seen.back().health, PortHealth::Failed);
    EXPECT_EQ(h.listener.seen.back().lines, std::nullopt);
    EXPECT_EQ(h.listener.seen.back().backend, "GPIO gpiochip0 lines 17,18,27,22,23,24,25,4");
}

TEST(SupervisedPort, WithoutAReportCallbackTheFaultStillReachesTheStatus) {
    CallLog log;
    log.then("open", -EACCES);
    SupervisedPort port(fake_ppdev(log), nullptr);
    port.Out32(888, 3);
    EXPECT_EQ(port.status().health, PortHealth::Fallback);
    EXPECT_THAT(port.status().message, HasSubstr("group \"lp\""));
}

} // namespace
} // namespace dopplex::port::testing
