#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "pass/pass_model.h"
#include "pass/pass_script.h"

namespace dopplex::tracker {
namespace {

TEST(PassModel, GeometryOfAPass) {
    for (double max_elevation : {5.0, 30.0, 45.0, 89.0}) {
        PassParameters p;
        p.max_elevation_deg = max_elevation;
        const PassModel model(p);
        EXPECT_NEAR(model.look_at(0).elevation_deg, max_elevation, 1e-9);
        EXPECT_NEAR(model.look_at(model.aos_s()).elevation_deg, 0.0, 1e-9);
        EXPECT_NEAR(model.look_at(model.los_s()).elevation_deg, 0.0, 1e-9);
        EXPECT_NEAR(model.look_at(model.time_after_culmination(-2.0)).elevation_deg, -2.0, 1e-9);
        // Approaching before culmination, receding after, none at culmination.
        EXPECT_LT(model.look_at(-60).range_rate_m_s, 0.0);
        EXPECT_GT(model.look_at(60).range_rate_m_s, 0.0);
        EXPECT_NEAR(model.look_at(0).range_rate_m_s, 0.0, 1e-6);
        // A low orbit never moves faster than its orbital speed (about 7.45 km/s at 800 km).
        EXPECT_LT(std::abs(model.look_at(model.aos_s()).range_rate_m_s), 7460.0);
    }
}

TEST(PassModel, HeadingIsTheDirectionOfMotionAtCulmination) {
    PassParameters p;
    p.max_elevation_deg = 60.0;
    for (double heading : {0.0, 90.0, 200.0}) {
        p.heading_deg = heading;
        const PassModel model(p);
        // The satellite rises from behind its motion and sets ahead of it.
        const double set = model.look_at(model.los_s()).azimuth_deg;
        const double off = std::remainder(set - heading, 360.0);
        EXPECT_LT(std::abs(off), 90.0) << heading;
    }
}

TEST(PassModel, RejectsImpossibleParameters) {
    EXPECT_THROW(PassModel({800, 0, 0}), std::invalid_argument);
    EXPECT_THROW(PassModel({800, 91, 0}), std::invalid_argument);
    EXPECT_THROW(PassModel({100, 45, 0}), std::invalid_argument);
}

TEST(Doppler, ShiftsBothWays) {
    EXPECT_DOUBLE_EQ(received_downlink_hz(435e6, 0), 435e6);
    EXPECT_NEAR(received_downlink_hz(435e6, -6000), 435e6 + 8706.02, 0.01);
    EXPECT_NEAR(corrected_uplink_hz(145e6, -6000), 145e6 - 2902.01, 0.01);
}

TEST(GeneratedPasses, EveryPassEndsOnMinusTwoWhateverTheInterval) {
    Satellite satellite;
    for (int interval : {1000, 700, 3000}) {
        Schedule schedule;
        schedule.passes = 2;
        schedule.interval_ms = interval;
        schedule.first_aos_utc = 1714564800; // 2024-05-01 12:00:00
        const std::vector<Update> updates = generate_passes(satellite, schedule);
        int minus_two = 0;
        bool above = false;
        for (std::size_t i = 0; i < updates.size(); ++i) {
            EXPECT_EQ(updates[i].ms, static_cast<long long>(i) * interval);
            if (updates[i].text.find(" EL-2.0 ") != std::string::npos && above) {
                ++minus_two;
                above = false;
            }
            if (updates[i].text.find(" EL4") != std::string::npos) {
                above = true;
            }
        }
        EXPECT_EQ(minus_two, 2) << interval;
        EXPECT_EQ(updates.front().text.rfind("SN\"AO-51\" AZ", 0), 0u);
        EXPECT_NE(updates.front().text.find("AOS\"2024-05-01 12:00:00\""), std::string::npos);
        EXPECT_NE(updates.back().text.find("AOS\"\""), std::string::npos);
    }
}

TEST(TrackingText, Format) {
    Satellite satellite;
    satellite.name = "FO-29";
    satellite.downlink_hz = 435800000;
    satellite.uplink_hz = 145900000;
    satellite.uplink_mode = "LSB";
    satellite.downlink_mode = "USB";
    EXPECT_EQ(tracking_text(satellite, {359.96, -2.04, 1000.0}, "x"),
              "SN\"FO-29\" AZ0.0 EL-2.0 DN435798546 UP145900487 UM\"LSB\" DM\"USB\" AOS\"x\"");
}

TEST(Recording, RoundTripAndErrors) {
    const std::vector<Update> updates = {{0, "SN\"A\" AZ1.0"}, {1000, "B"}, {1000, ""}};
    std::stringstream file;
    write_recording(file, updates);
    const std::vector<Update> back = read_recording(file);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[1].text, "B");
    EXPECT_EQ(back[2].ms, 1000);

    for (const char* bad : {"x\tA\n", "100 A\n", "-5\tA\n", "200\tA\n100\tB\n"}) {
        std::stringstream in(bad);
        EXPECT_THROW(read_recording(in), std::runtime_error) << bad;
    }
    std::stringstream crlf("5\tA\r\n\n");
    EXPECT_EQ(read_recording(crlf).at(0).text, "A");
}

} // namespace
} // namespace dopplex::tracker
