// The gpio port over libgpiod 1's calls and over libgpiod 2's: one table of writes and failures,
// run against both, gives the same lines, messages and hints and leaves nothing open. Then what
// only libgpiod 2 needs: finding the chip by name, number, path or label, and the offsets check.
#include "fake_calls.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iterator>

namespace dopplex::port::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct Seam {
    const char* name;
    std::function<std::unique_ptr<GpioPort>(CallLog&)> make;
};

const Seam kSeams[] = {
    {"libgpiod 1", [](CallLog& log) { return fake_gpio(log); }},
    {"libgpiod 2", [](CallLog& log) { return fake_gpio2(log); }},
};

TEST(GpioSeams, BitNGoesToTheNthListedLine) {
    const std::vector<std::string> calls[] = {
        {"chip_open gpiochip0", "get_lines 17,18,27,22,23,24,25,4",
         "request_output dopplex 0,0,0,0,0,0,0,0", "set 0,0,1,1,0,0,0,0", "set 1,0,0,0,0,0,0,1",
         "set 1,0,0,0,0,0,0,1", "release", "chip_close"},
        {"chip_open /dev/gpiochip0", "line_count",
         "request_output dopplex 17,18,27,22,23,24,25,4 0,0,0,0,0,0,0,0",
         "set 17,18,27,22,23,24,25,4 0,0,1,1,0,0,0,0", "set 17,18,27,22,23,24,25,4 1,0,0,0,0,0,0,1",
         "set 17,18,27,22,23,24,25,4 1,0,0,0,0,0,0,1", "release", "chip_close"},
    };
    for (std::size_t seam = 0; seam < std::size(kSeams); ++seam) {
        SCOPED_TRACE(kSeams[seam].name);
        CallLog log;
        auto port = kSeams[seam].make(log);
        port->open();
        port->write(888, 0x0C);
        port->write(888, 0x81);
        port->write(888, 0x81);
        port->close();
        EXPECT_EQ(log.calls, calls[seam]);
    }
}

TEST(GpioSeams, FailuresGiveTheSameHintsAndLeaveNothingOpen) {
    struct Row {
        const char* name;
        const char* failing_call;
        int result;
        std::vector<std::string> message_parts;
        bool chip_was_open;
    };
    const Row rows[] = {
        {"missing chip",
         "chip_open",
         -ENOENT,
         {"opening GPIO chip gpiochip0 failed (ENOENT", "gpiodetect"},
         false},
        {"permission", "chip_open", -EACCES, {"(EACCES", "group \"gpio\"", "\"plugdev\""}, false},
        {"no such line",
         "get_lines",
         -EINVAL,
         {"getting lines 17,18,27,22,23,24,25,4 of gpiochip0 failed (EINVAL", "gpioinfo"},
         true},
        {"line busy",
         "request",
         -EBUSY,
         {"as outputs failed (EBUSY", "in use by another program or a kernel driver"},
         true},
        {"chip gone",
         "request",
         -ENODEV,
         {"(ENODEV", "not a GPIO chip device, or it is gone"},
         true},
    };
    for (const Seam& seam : kSeams) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(seam.name) + ": " + row.name);
            CallLog log;
            auto port = seam.make(log);
            log.then(row.failing_call, row.result);
            const std::string message = open_error(*port);
            for (const auto& part : row.message_parts) {
                EXPECT_THAT(message, HasSubstr(part));
            }
            port->close();
            const auto closes = std::count(log.calls.begin(), log.calls.end(), "chip_close");
            EXPECT_EQ(closes, row.chip_was_open ? 1 : 0);
            EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "release"), 0);
        }
    }
}

TEST(GpioSeams, AFailedWriteNamesTheLinesAndTheError) {
    for (const Seam& seam : kSeams) {
        SCOPED_TRACE(seam.name);
        CallLog log;
        auto port = seam.make(log);
        port->open();
        log.then("set", -ENODEV);
        try {
            port->write(888, 1);
            ADD_FAILURE() << "the write did not fail";
        } catch (const PortError& error) {
            EXPECT_THAT(error.what(),
                        HasSubstr("writing to GPIO lines of gpiochip0 failed (ENODEV"));
        }
    }
}

TEST(Gpiod2Calls, FindsTheChipAsLibgpiod1Did) {
    struct Row {
        const char* chip;
        std::vector<std::string> opens; // the chip_open calls, the last one kept open
        std::string message;            // empty: opened
    };
    const Row rows[] = {
        {"gpiochip0", {"chip_open /dev/gpiochip0"}, ""},
        {"1", {"chip_open /dev/gpiochip1"}, ""},
        {"/dev/gpiochip1", {"chip_open /dev/gpiochip1"}, ""},
        {"raspberrypi-exp-gpio", {"chip_open /dev/gpiochip0", "chip_open /dev/gpiochip1"}, ""},
        {"pinctrl-bcm2711", {"chip_open /dev/gpiochip0"}, ""},
        {"pinctrl-rp1",
         {"chip_open /dev/gpiochip0", "chip_open /dev/gpiochip1"},
         "opening GPIO chip pinctrl-rp1 failed (ENOENT"},
        {"gpiochip", {"chip_open /dev/gpiochip0", "chip_open /dev/gpiochip1"}, "(ENOENT"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.chip);
        CallLog log;
        auto port = fake_gpio2(log, row.chip,
                               {{"/dev/gpiochip0", "pinctrl-bcm2711", 58},
                                {"/dev/gpiochip1", "raspberrypi-exp-gpio", 28}});
        const std::string message = open_error(*port);
        std::vector<std::string> opens;
        std::copy_if(log.calls.begin(), log.calls.end(), std::back_inserter(opens),
                     [](const std::string& call) { return call.starts_with("chip_open"); });
        EXPECT_EQ(opens, row.opens);
        if (row.message.empty()) {
            EXPECT_EQ(message, "(opened)");
        } else {
            EXPECT_THAT(message, HasSubstr(row.message));
        }
        port->close();
        // Every chip opened on the way is closed: the ones passed over at once, the last at close.
        EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "chip_close"),
                  std::ssize(row.opens));
    }
}

TEST(Gpiod2Calls, ALabelSearchRefusedByAChipSaysPermissionNotMissing) {
    CallLog log;
    auto port = fake_gpio2(log, "raspberrypi-exp-gpio");
    log.then("chip_open", -EACCES, 2);
    EXPECT_THAT(open_error(*port), HasSubstr("(EACCES"));
    EXPECT_THAT(log.calls,
                ElementsAre("chip_paths", "chip_open /dev/gpiochip0", "chip_open /dev/gpiochip1"));
}

TEST(Gpiod2Calls, AnOffsetBeyondTheChipFailsBeforeTheRequest) {
    CallLog log;
    auto port = fake_gpio2(log, "gpiochip1"); // the expander's 8 lines: no line 17
    EXPECT_THAT(open_error(*port),
                HasSubstr("getting lines 17,18,27,22,23,24,25,4 of gpiochip1 failed (EINVAL"));
    EXPECT_THAT(log.calls, ElementsAre("chip_open /dev/gpiochip1", "line_count", "chip_close"));
}

TEST(Gpiod2Calls, ChipPaths) {
    const std::pair<const char*, const char*> rows[] = {
        {"gpiochip0", "/dev/gpiochip0"},
        {"4", "/dev/gpiochip4"},
        {"/dev/gpiochip4", "/dev/gpiochip4"},
        {"./gpiochip9", "./gpiochip9"},
        {"pinctrl-rp1", ""},
        {"gpiochip", ""},
        {"gpiochipX", ""},
        {"", ""},
    };
    for (const auto& [chip, path] : rows) {
        EXPECT_EQ(gpio_chip_path(chip), path) << chip;
    }
}

} // namespace
} // namespace dopplex::port::testing
