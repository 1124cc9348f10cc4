// The example scenarios of examples/: each run must reproduce its expected trace exactly, and
// the facts of its pass are checked here from the rules, so a wrong expected file cannot pass.
#include "scenario.h"
#include "trace_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

namespace dopplex::test {
namespace {

constexpr int kRxUp = 1, kRxDown = 2, kTxUp = 16, kTxDown = 32;
const std::vector<std::string> kTuned{"Tuning complete !", "Blue LED ON !"};
const std::string kRxDone = "RX freq. set for next pass ! Check it !";
const std::string kTxDone = "TX freq. set for next pass ! Check it !";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot open " + path);
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string RunExample(const std::string& name) {
    std::istringstream in(ReadFile(std::string(DOPPLEX_EXAMPLES_DIR) + "/" + name + ".scn"));
    std::ostringstream out;
    RunScenario(ParseScenario(in), out);
    return out.str();
}

std::vector<std::int64_t> Every(std::int64_t first, std::int64_t step, int count) {
    std::vector<std::int64_t> times;
    for (int i = 0; i < count; ++i) {
        times.push_back(first + step * i);
    }
    return times;
}

std::vector<std::string> Logged(int pulses, const std::vector<std::string>& closing) {
    std::vector<std::string> lines;
    for (int counter = 1; counter <= 2 * pulses; ++counter) {
        lines.push_back(std::to_string(counter));
    }
    lines.insert(lines.end(), closing.begin(), closing.end());
    return lines;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class Example : public ::testing::TestWithParam<const char*> {};

TEST_P(Example, ReproducesItsExpectedTrace) {
    const std::string name = GetParam();
    const std::vector<std::string> got = Lines(RunExample(name));
    const std::vector<std::string> want =
        Lines(ReadFile(std::string(DOPPLEX_EXAMPLES_DIR) + "/expected/" + name + ".jsonl"));
    for (std::size_t i = 0; i < std::min(got.size(), want.size()); ++i) {
        ASSERT_EQ(got[i], want[i]) << "first difference at line " << i + 1;
    }
    EXPECT_EQ(got.size(), want.size());
}

INSTANTIATE_TEST_SUITE_P(Examples, Example,
                         ::testing::Values("pass-rx-100hz", "pass-tx-1000hz-adjust",
                                           "pass-25hz-start-tracking", "pass-cat-rx-closed"),
                         [](const auto& info) {
                             std::string n = info.param;
                             std::erase(n, '-');
                             return n;
                         });

// The road of one pass at the 100 Hz step.
TEST(ExampleFacts, RxPassAt100Hz) {
    const Trace trace = ReadTrace(RunExample("pass-rx-100hz"));
    EXPECT_TRUE(trace.reports.empty());
    for (std::int64_t t : {1000, 2000, 3000, 4000}) {
        EXPECT_EQ(trace.values_at(t), (std::vector<int>{0, 0, 0}));
    }
    EXPECT_EQ(trace.values_at(5000), (std::vector<int>{0, 0, 8, 8})); // AOS: Green LED on

    // Tune at 5500, count 34: 1000 + 200 ms to the first pulse, LED after the train, and the
    // whole chain 2850 + 34 * 400 ms, silent after the LED.
    EXPECT_EQ(trace.values_at(5500), std::vector<int>{8});
    EXPECT_EQ(trace.rises(kRxUp, 5500, 21950), Every(6700, 400, 34));
    EXPECT_EQ(trace.values_at(6700 + 34 * 400), std::vector<int>{12});
    const std::int64_t chain_end = 5500 + 2850 + 34 * 400;
    for (const TraceWrite& w : trace.writes) {
        EXPECT_FALSE(w.t > 20300 && w.t < chain_end) << w.t;
    }
    EXPECT_EQ(trace.values_at(chain_end), std::vector<int>(16 * 3, 12)); // 16 updates held back

    const std::string& tuned = trace.dump(21960);
    EXPECT_EQ(MemoLines(tuned, "Memo1"), Logged(34, kTuned));
    EXPECT_EQ(Text(tuned, "Edit4"), "34");
    EXPECT_EQ(Text(tuned, "Edit8"), "3400");
    EXPECT_TRUE(Enabled(tuned, "Button7"));
    EXPECT_NE(tuned.find("\"focused\":\"Button7\""), std::string::npos);
    EXPECT_EQ(Timers(tuned), "[\"Timer2\"]");

    // Timer2, started by Adjust 1250 ms before the chain's end, ticks on its own 500 ms grid.
    // The difference falls from 1700 at the first tick to -2900: one pulse at once (last value
    // 0), then one per 100 Hz.
    const std::vector<std::int64_t> down = trace.rises(kRxDown);
    ASSERT_EQ(down.size(), 1u + (1700 + 2900) / 100);
    EXPECT_EQ(down.front(), chain_end + 100);
    for (std::int64_t t : down) {
        EXPECT_TRUE(t < 69000 && (t - (chain_end - 400)) % 500 == 0) << t;
    }
    EXPECT_TRUE(trace.rises(kRxUp, chain_end, 69500).empty());

    const std::string& los = trace.dump(66500);
    for (const char* off : {"Button1", "Button11", "Button7"}) {
        EXPECT_FALSE(Enabled(los, off)) << off;
    }
    EXPECT_EQ(Timers(los), "[\"Timer2\"]");

    EXPECT_EQ(trace.values_at(69000), (std::vector<int>{8, 8, 0, 0}));
    const std::string& end = trace.dump(69100);
    EXPECT_EQ(Timers(end), "[]");
    for (const char* memo : {"Memo1", "Memo2", "Memo3", "Memo4"}) {
        EXPECT_TRUE(MemoLines(end, memo).empty()) << memo;
    }
    EXPECT_TRUE(Enabled(end, "Button22"));
    EXPECT_EQ(Text(end, "Edit8"), "0");
    EXPECT_EQ(Text(end, "Edit7"), "-2900");

    EXPECT_EQ(trace.rises(kRxUp, 69500), Every(69500 + 1200, 400, 29));
    const std::string& reset = trace.dump(83000);
    EXPECT_EQ(MemoLines(reset, "Memo1"), Logged(29, {kRxDone}));
    EXPECT_EQ(Text(reset, "Edit24"), "-29");
    EXPECT_FALSE(Enabled(reset, "Button22"));
}

TEST(ExampleFacts, TxPassAt1000HzWithAdjust) {
    const Trace trace = ReadTrace(RunExample("pass-tx-1000hz-adjust"));
    EXPECT_TRUE(trace.reports.empty());
    // Tune TX at 5500: 2500 Hz, count 2 (half to even), chain 2850 + 2 * 400 ms.
    EXPECT_EQ(trace.values_at(5500), std::vector<int>{8});
    EXPECT_EQ(trace.rises(kTxUp, 5500, 9150), Every(6700, 400, 2));
    EXPECT_EQ(trace.values_at(7500), std::vector<int>{72}); // orange LED
    EXPECT_EQ(trace.values_at(9150).size(), 4u * 3);

    // The Adjust at 18500: k = 1.3 made whole as 1; one UP pulse 1200 ms after the click.
    EXPECT_EQ(trace.rises(kTxUp, 18500, 20100), std::vector<int64_t>{19700});
    const std::string& adjusted = trace.dump(20200);
    EXPECT_EQ(Text(adjusted, "Edit20"), "1");
    EXPECT_EQ(Text(adjusted, "Edit16"), "2");
    EXPECT_EQ(Text(adjusted, "Edit19"), "2500");
    EXPECT_FALSE(Enabled(adjusted, "Button17"));
    EXPECT_TRUE(Enabled(adjusted, "Button15"));
    EXPECT_EQ(MemoLines(adjusted, "Memo3"), Logged(2, kTuned));
    EXPECT_EQ(Timers(adjusted), "[\"Timer5\"]");

    // Timer5 (started at 8750) reads the 1 kHz field: 2000 at its first tick, -4000 at its
    // last, one UP pulse at once and one per 1000 Hz, all on its grid.
    std::vector<std::int64_t> tracking;
    for (std::int64_t t : trace.rises(kTxUp, 9150, 69000)) {
        if (t != 19700) {
            tracking.push_back(t);
        }
    }
    EXPECT_EQ(tracking.size(), 1u + (2000 + 4000) / 1000);
    for (std::int64_t t : tracking) {
        EXPECT_EQ((t - 8750) % 500, 0) << t;
    }
    EXPECT_TRUE(trace.rises(kTxDown, 0, 69500).empty());

    EXPECT_EQ(trace.values_at(69000), (std::vector<int>{72, 8, 0, 0}));
    EXPECT_EQ(Timers(trace.dump(69100)), "[]");
    EXPECT_EQ(trace.rises(kTxDown, 69500), Every(69500 + 1200, 400, 4));
    const std::string& reset = trace.dump(73000);
    EXPECT_EQ(MemoLines(reset, "Memo4"), Logged(4, {kTxDone}));
    EXPECT_EQ(Text(reset, "Edit25"), "-4");
    EXPECT_FALSE(Enabled(reset, "Button23"));
    EXPECT_TRUE(Enabled(reset, "Button25"));
}

TEST(ExampleFacts, StartTrackingAt25Hz) {
    const Trace trace = ReadTrace(RunExample("pass-25hz-start-tracking"));
    EXPECT_TRUE(trace.reports.empty());
    const std::string& mid = trace.dump(30100);
    EXPECT_FALSE(Enabled(mid, "Button1"));
    for (const char* on : {"Button12", "Button11", "Button19"}) {
        EXPECT_TRUE(Enabled(mid, on)) << on;
    }
    EXPECT_EQ(Timers(mid), "[\"Timer1\",\"Timer6\"]");

    // RX: 1800 down to -1980 in 60 Hz updates, a pulse for each; TX: -600 up by 20 Hz updates,
    // a pulse for each 40 Hz (the first change of at least 25 Hz), up to 640.
    const std::vector<std::int64_t> down = trace.rises(kRxDown);
    ASSERT_EQ(down.size(), 1u + (1800 + 1980) / 60);
    EXPECT_EQ(down.front(), 5700);
    EXPECT_LT(down.back(), 69000);
    const std::vector<std::int64_t> up = trace.rises(kTxUp);
    ASSERT_EQ(up.size(), 1u + (640 + 600) / 40);
    EXPECT_EQ(up.front(), 6100); // Timer6's tick of 5800 waits for the RX pulse
    EXPECT_LT(up.back(), 69000);
    EXPECT_TRUE(trace.rises(kRxUp, 0, 69500).empty());
    EXPECT_TRUE(trace.rises(kTxDown, 0, 69500).empty());

    const std::string& end = trace.dump(69100);
    EXPECT_EQ(Timers(end), "[]");
    EXPECT_EQ(Text(end, "Edit7"), "-1980");
    EXPECT_EQ(Text(end, "Edit22"), "660");
    EXPECT_TRUE(Enabled(end, "Button22"));
    EXPECT_TRUE(Enabled(end, "Button23"));

    // RoundHalfEven(-1980 / 100 * 4) = -79, then RoundHalfEven(660 / 100 * 4) = 26 after it.
    const std::int64_t rx_end = 69500 + 1200 + 79 * 400;
    EXPECT_EQ(trace.rises(kRxUp, 69500), Every(69500 + 1200, 400, 79));
    EXPECT_EQ(trace.rises(kTxDown, 69500), Every(rx_end + 1200, 400, 26));
    const std::string& reset = trace.dump(116000);
    EXPECT_EQ(MemoLines(reset, "Memo1"), Logged(79, {kRxDone}));
    EXPECT_EQ(MemoLines(reset, "Memo4"), Logged(26, {kTxDone}));
    EXPECT_EQ(Text(reset, "Edit24"), "-79");
    EXPECT_EQ(Text(reset, "Edit25"), "26");
}

// The frequencies a model radio took by sets, by the time it took them.
std::map<std::int64_t, std::int64_t> RadioSets(const Trace& trace) {
    const std::string head = R"({"side":"rx","took":"set","hz":)";
    std::map<std::int64_t, std::int64_t> sets;
    for (const TraceEvent& e : trace.events) {
        if (e.kind == "radio" && e.body.starts_with(head)) {
            sets[e.t] = std::stoll(e.body.substr(head.size()));
        }
    }
    return sets;
}

TEST(ExampleFacts, CatReceiverWithPushButtonTransmitter) {
    const Trace trace = ReadTrace(RunExample("pass-cat-rx-closed"));
    EXPECT_TRUE(trace.reports.empty());
    EXPECT_TRUE(trace.rises(kRxUp).empty());
    EXPECT_TRUE(trace.rises(kRxDown).empty());

    // The downlink falls 300 Hz a second from 436798600 Hz at 1000 ms, a straight line the loop
    // predicts exactly. A set reaches the radio 20 ms after it is sent and aims 100 ms past
    // that, the middle of the 200 ms it stands. The knob's +500 Hz counts once confirmed, at
    // 12840; the two cycles before that set nothing.
    const auto downlink = [](std::int64_t t) { return 436798600 - 3 * (t - 1000) / 10; };
    std::map<std::int64_t, std::int64_t> sets = RadioSets(trace);
    ASSERT_FALSE(sets.empty());
    EXPECT_EQ(sets.rbegin()->first, 27020);
    EXPECT_EQ(sets.rbegin()->second, 436795000); // Reset: the reference exactly
    sets.erase(27020);
    std::vector<std::int64_t> times;
    for (const auto& [t, hz] : sets) {
        times.push_back(t);
        EXPECT_EQ(hz, downlink(t + 100) + (t > 12840 ? 500 : 0)) << t;
    }
    std::vector<std::int64_t> want = Every(2060, 200, 120);
    std::erase_if(want, [](std::int64_t t) { return t == 12660 || t == 12860; });
    EXPECT_EQ(times, want); // nothing after the end of the pass at 26000 until the Reset
    bool knob_reported = false;
    for (const TraceEvent& e : trace.events) {
        knob_reported = knob_reported || (e.kind == "cat" && e.t == 12840 &&
                                          e.body == R"({"side":"rx","report":"knob +500 Hz"})");
    }
    EXPECT_TRUE(knob_reported);

    // TX: 1000 Hz above the uplink at AOS, it catches up, then presses up as the uplink rises;
    // its Reset presses back exactly what the pass pressed, one each 400 ms.
    const std::size_t down = trace.rises(kTxDown, 0, 26000).size();
    const std::size_t up = trace.rises(kTxUp).size();
    EXPECT_TRUE(down > 0 && up > down) << down << " " << up;
    EXPECT_EQ(trace.rises(kTxDown, 26000), Every(27000, 400, static_cast<int>(up - down)));
    const std::string& end = trace.dump(40000);
    EXPECT_NE(end.find(R"("offset_hz":500,)"), std::string::npos);
    EXPECT_NE(end.find(R"("tx":{"tracking":false,"dial_hz":145950000,)"), std::string::npos);
    EXPECT_NE(end.find(R"("cat":{"rx":{"hz":436795000,)"), std::string::npos);
}

} // namespace
} // namespace dopplex::test
