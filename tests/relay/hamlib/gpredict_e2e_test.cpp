// Gpredict itself drives dopplex-tracker --hamlib: under Xvfb, with a private HOME holding a
// duplex radio on the tracker's port and a satellite whose elements start now, an operator's
// Track and Engage make Gpredict send Doppler-corrected downlink frequencies, which the link
// serves.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <fstream>
#include <set>

#include "relay/hamlib/hamlib_tracker_fixture.h"

namespace dopplex {
namespace {

constexpr double kDownlinkHz = 145890000.0; // Gpredict's downlink before any transponder

// A two-line element set of a circular low orbit with its epoch at this moment, so the pass
// geometry does not depend on the day the test runs.
std::vector<std::string> fresh_elements() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    const double day_fraction = (utc.tm_hour * 3600 + utc.tm_min * 60 + utc.tm_sec) / 86400.0;
    char epoch[32];
    std::snprintf(epoch, sizeof epoch, "%02d%03d.%08ld", utc.tm_year % 100, utc.tm_yday + 1,
                  std::lround(day_fraction * 1e8));
    std::vector<std::string> lines = {
        "1 99999U 24001A   " + std::string(epoch) + "  .00000000  00000-0  00000-0 0  999",
        "2 99999  51.6400 120.0000 0001000  90.0000 270.0000 15.50000000    1"};
    for (std::string& line : lines) {
        int sum = 0;
        for (char c : line) {
            sum += std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (c == '-' ? 1 : 0);
        }
        line += std::to_string(sum % 10);
    }
    return lines;
}

void write_file(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

class GpredictEndToEnd : public test::HamlibTracker {
protected:
    void SetUp() override {
        HamlibTracker::SetUp();
        for (const char* tool : {"/usr/bin/gpredict", "/usr/bin/Xvfb", "/usr/bin/xdotool"}) {
            if (access(tool, X_OK) != 0) {
                GTEST_SKIP() << tool << " absent (Debian packages gpredict, xvfb, xdotool)";
            }
        }
    }

    // A private HOME in which Gpredict opens the module "Dopplex" with one satellite and has a
    // duplex radio (downlink on the main VFO, uplink on VFO B) and a rotator on our ports.
    void write_gpredict_home(const std::string& home) {
        const std::string config = home + "/.config/Gpredict";
        for (const char* dir : {"/satdata", "/modules", "/hwconf"}) {
            std::filesystem::create_directories(config + dir);
        }
        const std::vector<std::string> elements = fresh_elements();
        write_file(config + "/satdata/99999.sat",
                   "[Satellite]\nVERSION=1.1\nNAME=DOPPLEX-TEST\nNICKNAME=DOPPLEX-TEST\nTLE1=" +
                       elements[0] + "\nTLE2=" + elements[1] + "\n");
        write_file(config + "/modules/Dopplex.mod", "[GLOBAL]\nSATELLITES=99999;\n");
        write_file(config + "/gpredict.cfg", "[GLOBAL]\nOPEN_MODULES=Dopplex\n");
        const auto port = [this](const std::string& role) {
            return address[role].substr(address[role].rfind(':') + 1);
        };
        write_file(config + "/hwconf/dopplex.rig",
                   "[Radio]\nHost=127.0.0.1\nPort=" + port("rig") +
                       "\nCycle=1000\nLO=0\nLO_UP=0\nType=3\nPTT=0\nVFO_DOWN=1\nVFO_UP=2\n"
                       "SIGNAL_AOS=true\nSIGNAL_LOS=true\n");
        write_file(config + "/hwconf/dopplex.rot",
                   "[Rotator]\nHost=127.0.0.1\nPort=" + port("rotator") +
                       "\nCycle=1000\nAzType=0\nMinAz=0\nMaxAz=360\nMinEl=0\nMaxEl=90\n"
                       "AzStopPos=0\nThreshold=5\n");
    }

    // Starts Xvfb on a display it picks itself and points this process's children at it.
    void start_display() {
        pid_t pid = -1;
        const int out = spawn(
            {"Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}, pid);
        const std::string display =
            read_until(out, 10000, [](const std::string& t) { return t.find('\n') != t.npos; });
        close(out);
        ASSERT_FALSE(display.empty()) << "Xvfb did not start";
        setenv("DISPLAY", (":" + display.substr(0, display.find('\n'))).c_str(), 1);
    }
};

TEST_F(GpredictEndToEnd, TrackAndEngageSendDopplerThatTheLinkServes) {
    start_hamlib({"--name", "DOPPLEX-TEST"});
    const std::string home = dir_ + "/home";
    write_gpredict_home(home);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    setenv("NO_AT_BRIDGE", "1", 1);
    ASSERT_NO_FATAL_FAILURE(start_display());
    pid_t gpredict = -1;
    spawn({"gpredict"}, gpredict, false);

    const std::string steps = run({"sh", DOPPLEX_DRIVE_GPREDICT}, 60000);
    ASSERT_NE(steps.find("engaged"), std::string::npos) << steps;

    // Every F with a new value is a new text on the link.
    std::set<long long> downlinks;
    item.OnChange = [&] {
        const std::string text = item.Text();
        const std::size_t dn = text.find(" DN");
        if (dn != std::string::npos) {
            const long long hz = std::atoll(text.c_str() + dn + 3);
            EXPECT_LT(std::abs(hz - kDownlinkHz), 20000.0) << text;
            downlinks.insert(hz);
        }
    };
    link_text_with({});
    // Gpredict sends once a second; the wait is long only for a machine that is badly loaded.
    EXPECT_TRUE(queue.pump_until([&] { return downlinks.size() >= 3; }, 90000))
        << downlinks.size() << " downlink frequencies; " << steps;
}

} // namespace
} // namespace dopplex
