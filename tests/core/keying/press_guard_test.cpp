#include "keying/press_guard.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace dopplex {
namespace {

struct Written {
    std::int64_t at;
    int byte;
    bool operator==(const Written&) const = default;
};

struct Step {
    enum Kind { Write, Check, Length } kind;
    std::int64_t at;
    int byte = 0;                          // Write
    std::optional<std::int64_t> next = {}; // Check: when the next press falls due
    Channel channel = Channel::RxUp;       // Length
    std::int64_t ms = 0;                   // Length
};

Step write(std::int64_t at, int byte) {
    return {Step::Write, at, byte};
}
Step check(std::int64_t at, std::optional<std::int64_t> next) {
    return {Step::Check, at, 0, next};
}
Step length(Channel channel, std::int64_t ms) {
    return {Step::Length, 0, 0, {}, channel, ms};
}

struct GuardCase {
    std::string name;
    std::vector<Step> steps;
    std::vector<Written> port;
    std::vector<LatePress> late;
};

class Guard : public ::testing::TestWithParam<GuardCase> {};

TEST_P(Guard, EndsOnlyPressesHeldPastTheirLengthAndTheGrace) {
    std::int64_t now = 0;
    std::vector<Written> port;
    std::vector<LatePress> late;
    struct : PortWriter {
        std::function<void(std::uint8_t)> out;
        void Out32(std::uint16_t, std::uint8_t data) override { out(data); }
    } recorder;
    recorder.out = [&](std::uint8_t data) { port.push_back({now, data}); };
    PressGuard guard(
        recorder, [&] { return now; }, [&](const LatePress& p) { late.push_back(p); });
    for (const Step& step : GetParam().steps) {
        now = step.at;
        switch (step.kind) {
        case Step::Write:
            guard.Out32(0x378, static_cast<std::uint8_t>(step.byte));
            break;
        case Step::Check:
            EXPECT_EQ(guard.check(), step.next) << "at " << step.at;
            break;
        case Step::Length:
            guard.set_press_length(step.channel, step.ms);
            break;
        }
    }
    EXPECT_EQ(port, GetParam().port);
    EXPECT_EQ(late, GetParam().late);
}

INSTANTIATE_TEST_SUITE_P(
    PressGuard, Guard,
    ::testing::Values(
        GuardCase{"OnTime",
                  {write(0, 0x01), check(150, 301), write(200, 0x00), check(400, std::nullopt)},
                  {{0, 0x01}, {200, 0x00}},
                  {}},
        GuardCase{"GraceIsInclusive",
                  {write(0, 0x01), check(300, 301), check(301, std::nullopt)},
                  {{0, 0x01}, {301, 0x00}},
                  {{Channel::RxUp, 301, 200}}},
        GuardCase{"StalledEngineResumes",
                  // Green lamp on, RX UP pressed; the engine stalls; once back it writes the
                  // latch's byte (still RX UP) before lowering: the line stays low, until the
                  // next rise, which is a new press.
                  {write(0, 0x09), check(3760, std::nullopt), write(3770, 0x09), write(3770, 0x08),
                   write(3970, 0x09), check(4000, 4271)},
                  {{0, 0x09}, {3760, 0x08}, {3770, 0x08}, {3770, 0x08}, {3970, 0x09}},
                  {{Channel::RxUp, 3760, 200}}},
        GuardCase{"EachButtonOnItsOwn",
                  {write(0, 0x10), write(150, 0x30), check(301, 451), check(451, std::nullopt)},
                  {{0, 0x10}, {150, 0x30}, {301, 0x20}, {451, 0x00}},
                  {{Channel::TxUp, 301, 200}, {Channel::TxDown, 301, 200}}},
        GuardCase{"LampsAndLevelsAreNotPresses",
                  {write(0, 0xcc), check(100000, std::nullopt)},
                  {{0, 0xcc}},
                  {}},
        GuardCase{"OwnLengthFromTheNextRise",
                  {write(0, 0x20), length(Channel::TxDown, 1000), check(301, std::nullopt),
                   write(400, 0x00), write(500, 0x20), check(1600, 1601),
                   check(1601, std::nullopt)},
                  {{0, 0x20}, {301, 0x00}, {400, 0x00}, {500, 0x20}, {1601, 0x00}},
                  {{Channel::TxDown, 301, 200}, {Channel::TxDown, 1101, 1000}}},
        GuardCase{"NothingWrittenNothingLowered", {check(5000, std::nullopt)}, {}, {}}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace dopplex
