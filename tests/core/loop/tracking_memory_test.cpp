#include "loop/tracking_memory.h"

#include <gtest/gtest.h>

#include <map>

namespace dopplex {
namespace {

TrackingMemory recall(const std::map<std::string, std::string>& values,
                      std::vector<std::string>& problems) {
    return recall_memory(
        [&](const std::string& name) -> std::optional<std::string> {
            const auto found = values.find(name);
            if (found == values.end()) {
                return std::nullopt;
            }
            return found->second;
        },
        problems);
}

TEST(TrackingMemory, ComesBackAsItWasWritten) {
    TrackingMemory memory;
    memory.mode = TrackingMode::Closed;
    memory.loop.side(Side::Tx) = {6250, 60, 1000};
    memory.loop.start_at_aos = true;
    memory.loop.lock = OffsetLock::Inverting;
    memory.offsets = {{"AO-7", {100, -100}}, {"a;b=c,d%", {-2500, 0}}};
    std::map<std::string, std::string> store;
    for (const auto& [name, text] : memory_values(memory)) {
        store[name] = text;
    }
    std::vector<std::string> problems;
    const TrackingMemory back = recall(store, problems);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(back.mode, TrackingMode::Closed);
    EXPECT_EQ(back.loop.side(Side::Tx).step_hz, 6250);
    EXPECT_EQ(back.loop.side(Side::Tx).press_ms, 60);
    EXPECT_EQ(back.loop.side(Side::Tx).gap_ms, 1000);
    EXPECT_EQ(back.loop.side(Side::Rx).step_hz, 100);
    EXPECT_TRUE(back.loop.start_at_aos);
    EXPECT_EQ(back.loop.lock, OffsetLock::Inverting);
    EXPECT_EQ(back.offsets, memory.offsets);
}

// A value that does not read costs only itself, and says why.
TEST(TrackingMemory, ABadValueKeepsItsDefault) {
    const struct {
        const char* name;
        const char* text;
        const char* problem;
    } rows[] = {
        {"Tracking", "open",
         "The setting Tracking is not used: 'open' is neither closed nor classic"},
        {"RxStepHz", "300",
         "The setting RxStepHz is not used: 300 Hz is not a step (10, 25, 100, 1000, 2500, 5000, "
         "6250 or 12500 Hz)"},
        {"Offsets", "AO-7=100", "The setting Offsets is not used: 'AO-7=100' is not name=rx,tx"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> problems;
        const TrackingMemory back = recall({{row.name, row.text}, {"TxGapMs", "50"}}, problems);
        EXPECT_EQ(problems, std::vector<std::string>{row.problem});
        EXPECT_EQ(back.mode, TrackingMode::Classic);
        EXPECT_EQ(back.loop.side(Side::Rx).step_hz, 100);
        EXPECT_TRUE(back.offsets.empty());
        EXPECT_EQ(back.loop.side(Side::Tx).gap_ms, 50);
    }
}

} // namespace
} // namespace dopplex
