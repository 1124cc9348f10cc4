// A tracker that keeps sending a number too large for a double: every update fails, and the
// reports must neither stack nor keep the operator's input from the port.
#include "engine_rig.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace dopplex::test {
namespace {

TEST(ReportFlood, BadUpdatesWhileAReportIsOpenOpenNoFurtherOne) {
    Rig rig;
    rig.host.set_report_ms(5000);
    rig.update(1000, 10.0);
    constexpr int kBad = 10000;
    const std::string bad = "SN\"AO-91\" AZ123.4 EL10.00 DN1e999 UP145917000";
    for (int i = 0; i < kBad; ++i) {
        rig.loop.post(
            EventKind::Link, [&rig, bad] { rig.form.TrackingDataEx.receive(bad); }, 2000 + i);
    }
    rig.click(2500, "Button2"); // RX Freq. UP while the first report is open
    rig.run(20000);

    // The first report closes at 7000; the click then pulses until 7400, and the bad updates
    // after the close (from 7001) open no report again: each is counted for the status line.
    const std::string overflow = "Floating point overflow.";
    EXPECT_EQ(rig.report_texts(), (std::vector<std::string>{overflow}));
    EXPECT_EQ(rig.host.reports()[0].t, 2000);
    EXPECT_EQ(rig.host.deepest_report(), 1);
    const auto& held = rig.host.held_reports();
    EXPECT_EQ(held.size(), static_cast<std::size_t>(kBad - 1));
    EXPECT_TRUE(std::all_of(held.begin(), held.end(), [&](const VirtualHost::Held& h) {
        const auto how = h.t <= 7000 ? ReportHold::Repeat : ReportHold::AfterClose;
        return h.how == how && h.text == overflow;
    }));
    EXPECT_EQ(rig.host.status_line(),
              "Floating point overflow: " + std::to_string(kBad - 1 - (7000 - 2000)) +
                  " more in the last 10 s");
    EXPECT_EQ(rig.rises(kRxUpBit), std::vector<std::int64_t>{7000});
    ASSERT_FALSE(rig.port.writes().empty());
    EXPECT_EQ(rig.port.writes().back().value & kRxUpBit, 0);
}

} // namespace
} // namespace dopplex::test
