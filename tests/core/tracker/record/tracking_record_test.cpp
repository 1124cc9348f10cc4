#include "tracker/record/simulated_mark.h"
#include "tracker/record/tracking_record.h"

#include "base/numtext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dopplex {
namespace {

// What an earlier update left behind; every parse must overwrite all of it.
TSatData stale_record() {
    return TSatData{"OLD", 1, 2, 3, 4, "OLDUM", "OLDDM"};
}

void expect_record(const TSatData& actual, const TSatData& expected, const std::string& context) {
    EXPECT_EQ(actual.SatName, expected.SatName) << context;
    EXPECT_EQ(actual.Azimuth, expected.Azimuth) << context;
    EXPECT_EQ(actual.Elevation, expected.Elevation) << context;
    EXPECT_EQ(actual.Uplink, expected.Uplink) << context;
    EXPECT_EQ(actual.Downlink, expected.Downlink) << context;
    EXPECT_EQ(actual.UplinkMode, expected.UplinkMode) << context;
    EXPECT_EQ(actual.DownlinkMode, expected.DownlinkMode) << context;
}

TEST(ParseTrackingRecord, FillsEveryTargetFromTheLine) {
    struct Row {
        std::string text;
        TSatData expected;
        std::string aos;
    };
    // Record fields: SatName, Azimuth, Elevation, Uplink, Downlink, UplinkMode, DownlinkMode.
    const std::vector<Row> rows = {
        {"sn\"ao-51\" az123,4 el-5.2 dn435150000 up145920000 um\"FM\" dm\"fm n\" aos\"12:34\"",
         {"AO-51", 123.4, -5.2, 145920000, 435150000, "FM", "FM N"},
         "12:34"},
        {"", {}, ""},
        {"HELLO WORLD", {}, ""},
        {"AZ10", {"", 10, 0, 0, 0, "", ""}, ""},
        {"XDN5 DN7", {"", 0, 0, 0, 7, "", ""}, ""},
        {"DNX5", {}, ""},
        {"AZ1 AZ2", {"", 1, 0, 0, 0, "", ""}, ""},
        {"SN\"X AZ9\" AZ5", {"X AZ9", 5, 0, 0, 0, "", ""}, ""},
        {"SN\"ABC AZ10", {"ABC AZ10", 0, 0, 0, 0, "", ""}, ""},
        {"SN AZ5", {"", 5, 0, 0, 0, "", ""}, ""},
        {"SNA\"B C\"D", {"AB CD", 0, 0, 0, 0, "", ""}, ""},
        {"EL3 AZ", {"", 0, 3, 0, 0, "", ""}, ""},
        {"az12.5 sn\"fox\"", {"FOX", 12.5, 0, 0, 0, "", ""}, ""},
        {"EL12,5", {"", 0, 12.5, 0, 0, "", ""}, ""},
        {"DN1,234.5", {}, ""},
        {"SN\"A,B\"", {"A.B", 0, 0, 0, 0, "", ""}, ""},
        {"AZ+12", {"", 12, 0, 0, 0, "", ""}, ""},
        {"AZ1e3", {"", 1000, 0, 0, 0, "", ""}, ""},
        {"AZ1E3", {"", 1000, 0, 0, 0, "", ""}, ""},
        {"AZ.5", {"", 0.5, 0, 0, 0, "", ""}, ""},
        {"AZ5.", {"", 5, 0, 0, 0, "", ""}, ""},
        {"AZ\" 12\"", {"", 12, 0, 0, 0, "", ""}, ""},
        {"AZ\"12 \"", {}, ""},
        {"AZ-", {}, ""},
        {"AZ12;", {}, ""},
        {"AZ$10", {}, ""},
        {"AZ12.5;EL3", {}, ""},
        {"AZ1E-400", {}, ""},
        {"aos\"Jan 1, 12:00\" up1", {"", 0, 0, 1, 0, "", ""}, "JAN 1. 12:00"},
        {"Um\"usb\" dM\"lsb\" EL-2.0", {"", 0, -2, 0, 0, "USB", "LSB"}, ""},
        // Only ASCII letters change case; other bytes pass through.
        {"sn\"\xe9t\xc9\"", {"\xe9T\xc9", 0, 0, 0, 0, "", ""}, ""},
    };
    for (const Row& row : rows) {
        TSatData record = stale_record();
        std::string aos = "OLDAOS";
        ParseTrackingRecord(row.text, record, aos);
        expect_record(record, row.expected, row.text);
        EXPECT_EQ(aos, row.aos) << row.text;
    }
}

TEST(ParseTrackingRecord, OverflowKeepsTheFieldsFromTheFailingOneOn) {
    struct Row {
        std::string text;
        TSatData expected; // after the error
        std::string aos;
    };
    const TSatData old = stale_record();
    const std::vector<Row> rows = {
        {"SNX AZ1E400 EL5", {"X", 1, 2, 3, 4, "OLDUM", "OLDDM"}, "OLDAOS"},
        {"SNX AZ7 EL8 UP9 DN-1E400 UMA DMB AOSC", {"X", 7, 8, 9, 4, "OLDUM", "OLDDM"}, "OLDAOS"},
        // Key order decides, not the order on the line.
        {"DN6 EL1E999 AZ5 SNY", {"Y", 5, 2, 3, 4, "OLDUM", "OLDDM"}, "OLDAOS"},
    };
    for (const Row& row : rows) {
        TSatData record = old;
        std::string aos = "OLDAOS";
        EXPECT_THROW(ParseTrackingRecord(row.text, record, aos), EOverflow) << row.text;
        expect_record(record, row.expected, row.text);
        EXPECT_EQ(aos, row.aos) << row.text;

        // The next line is read normally.
        ParseTrackingRecord("SNZ AZ1", record, aos);
        expect_record(record, {"Z", 1, 0, 0, 0, "", ""}, "after " + row.text);
    }
}

// A played pass names itself once; the parser reads the marked text as it reads the real one.
TEST(SimulatedMark, MarkedOnceAndIgnoredByTheParser) {
    const std::string real = "SN\"SIMULATED 1\" AZ10.0 EL5.0 DN435300000 UP145920000";
    const std::string marked = mark_simulated(real, "GENERATED");
    EXPECT_EQ(marked, real + " SIMULATED\"GENERATED\"");
    EXPECT_EQ(mark_simulated(marked, "REPLAY"), marked);
    EXPECT_EQ(mark_simulated("", "REPLAY"), "SIMULATED\"REPLAY\"");
    EXPECT_EQ(simulated_source(real), "");
    EXPECT_EQ(simulated_source("el1 simulated\"replay\""), "REPLAY");
    TSatData a, b;
    std::string aos_a, aos_b;
    ParseTrackingRecord(real, a, aos_a);
    ParseTrackingRecord(marked, b, aos_b);
    expect_record(b, a, marked);
    EXPECT_EQ(aos_b, aos_a);
}

} // namespace
} // namespace dopplex
