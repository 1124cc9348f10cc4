// The pass log over the real engine in virtual time: a pass of a few updates and pulses gives
// the exact file; a folder or disk that fails is reported once and the pass goes on unchanged.
// Also where the log lives and the countdown's words.
#include "aos_countdown.h"
#include "engine_rig.h"
#include "pass_log_writer.h"
#include "pass_recorder.h"
#include "queued_observer.h"
#include "scratch_dir.h"
#include "station/classic_station.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <sys/resource.h>
#include <utility>

namespace dopplex::app {
namespace {

using test::Rig;

constexpr std::int64_t kUtc0 = 1796631600000; // 2026-12-07 08:20:00 UTC at virtual time 0

// The rig with the recorder where the application puts it: around every input and tick, on
// the port and on the form.
struct LoggedRig {
    explicit LoggedRig(PassObserver* log) {
        station.add_listener(&recorder);
        if (log) {
            recorder.add_observer(log);
        }
        rig.port.on_write([this](const PortWrite& w) {
            writes.push_back(w);
            station.lines_written(w.value);
        });
        rig.form.Type("Edit1", "4.367750E8");
        rig.form.Type("Edit13", "1.459170E8");
        station.reference_done(Side::Rx, 4.367750E8); // the operator left the fields
        station.reference_done(Side::Tx, 1.459170E8);
        rig.form.Click("CheckBox1");
    }
    void input(std::int64_t t, std::function<void(TFMain&)> action) {
        rig.loop.post(
            EventKind::Input, [this, action] { action(rig.form); }, t);
    }
    // Below the horizon, AOS, a Tune of two UP pulses, tracking, an arrow key, the end of the
    // pass and the Reset after it, a CAT report, and an update after the end.
    void play_pass() {
        rig.update(500, -1.0, 300);
        input(600, [](TFMain& f) { f.KeyDown(38); }); // before AOS: counted, not logged
        rig.update(1000, 5.0, 200);
        input(1500, [](TFMain& f) { f.Click("Button1"); });
        rig.update(8000, 10.0, 100);
        input(9000, [](TFMain& f) { f.KeyDown(40); });
        input(10000, [this](TFMain&) { recorder.cat_reported(Side::Tx, "knob \"+500\" Hz"); });
        rig.update(12000, -2.0, 0);
        input(13000, [](TFMain& f) { f.Click("Button22"); });
        rig.update(16000, -3.0, 0);
        rig.run(20000);
    }

    Rig rig{{.type_references = false, .hardware = false}};
    ClassicStation station{rig.form};
    PassRecorder recorder{[this] { return kUtc0 + rig.host.now(); }};
    std::vector<PortWrite> writes;
};

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(PassLog, APassGivesTheExactFile) {
    test::ScratchDir scratch;
    const std::filesystem::path folder = scratch / "data/dopplex/passes";
    std::vector<std::string> reports;
    {
        PassLogWriter writer(folder, [&](const std::string& m) { reports.push_back(m); });
        LoggedRig logged(&writer);
        logged.play_pass();
    }
    EXPECT_TRUE(reports.empty());
    const std::filesystem::path file = folder / "AO-91_20261207T082001Z.csv";
    ASSERT_TRUE(std::filesystem::exists(file));
    // The arrow key before AOS moved the dial 100 Hz above the reference; the update after the
    // end of the pass is not logged, the Reset after it is.
    EXPECT_EQ(read_file(file),
              "time_utc,el_deg,az_deg,dn_hz,up_hz,side,direction,source,dial_hz,note\n"
              "2026-12-07T08:20:01.000Z,5.0,123.4,436775200,145917000,,,,\n"
              "2026-12-07T08:20:02.700Z,,,,,RX,UP,tune,436775200\n"
              "2026-12-07T08:20:03.100Z,,,,,RX,UP,tune,436775300\n"
              "2026-12-07T08:20:05.250Z,,,,,RX,DOWN,tracking,436775200\n"
              "2026-12-07T08:20:08.000Z,10.0,123.4,436775100,145917000,,,,\n"
              "2026-12-07T08:20:08.250Z,,,,,RX,DOWN,tracking,436775100\n"
              "2026-12-07T08:20:09.000Z,,,,,RX,DOWN,manual,436775000\n"
              "2026-12-07T08:20:10.000Z,,,,,TX,,cat,,\"knob \"\"+500\"\" Hz\"\n"
              "2026-12-07T08:20:12.000Z,-2.0,123.4,436775000,145917000,,,,\n"
              "2026-12-07T08:20:14.200Z,,,,,RX,UP,reset,436775100\n");
}

// The recorder's passes are the engine's: for each update, what the engine shows (A: Tune RX
// enabled, above the horizon; E: Reset RX enabled, the pass ended; .: neither) and what the
// recorder told (S: a pass starts, p: in the pass, -: no pass). The engine reads the elevation
// to one decimal, so 0.04 is no AOS and -1.96 is the end.
struct HorizonCase {
    const char* name;
    std::vector<double> elevations;
    const char* engine;
    const char* recorder;
};

void PrintTo(const HorizonCase& c, std::ostream* out) {
    *out << c.name;
}

class HorizonTable : public ::testing::TestWithParam<HorizonCase> {};

TEST_P(HorizonTable, PassesStartAndEndWhereTheEngineSaysSo) {
    struct Told final : PassObserver {
        TFMain* form = nullptr;
        std::string engine;
        std::string recorder;
        bool started = false;
        void pass_started(const TrackingPoint&) override { started = true; }
        void tracking_update(const TrackingPoint& point) override {
            recorder += std::exchange(started, false) ? 'S' : point.in_pass ? 'p' : '-';
            engine += form->Button1.enabled() ? 'A' : form->Button22.enabled() ? 'E' : '.';
        }
        void pulse_sent(const PulseRecord&) override {}
    } told;
    LoggedRig logged(&told);
    told.form = &logged.rig.form;
    std::int64_t t = 1000;
    for (const double elevation : GetParam().elevations) {
        logged.rig.update(t += 1000, elevation);
    }
    logged.rig.run(t + 1000);
    EXPECT_EQ(told.engine, GetParam().engine);
    EXPECT_EQ(told.recorder, GetParam().recorder);
}

INSTANTIATE_TEST_SUITE_P(
    PassLog, HorizonTable,
    ::testing::Values(HorizonCase{"AtMinusTwo", {-1.0, 5.0, -2.0, -3.0}, ".AEE", "-Sp-"},
                      HorizonCase{"AtFourHundredthsNoAos", {-1.0, 0.04, -1.0}, "...", "---"},
                      HorizonCase{"AtMinusOneNinetySixTheEnd", {5.0, -1.96, 5.0}, "AEA", "SpS"},
                      HorizonCase{
                          "JumpAcrossMinusTwoNoEnd", {5.0, -1.9, -2.1, 5.0}, "A..A", "Sppp"}),
    [](const auto& info) { return std::string(info.param.name); });

// Each handler's pulses carry its name: a Tune's train, the catch-up of an Adjust (Enter), the
// ticks of tracking, buttons and arrow keys; runs of equal pulses are counted.
struct SourceCase {
    const char* name;
    std::function<void(LoggedRig&)> play;
    const char* pulses;
};

void PrintTo(const SourceCase& c, std::ostream* out) {
    *out << c.name;
}

class PulseSourceTable : public ::testing::TestWithParam<SourceCase> {};

TEST_P(PulseSourceTable, PulsesCarryTheirHandler) {
    struct Pulses final : PassObserver {
        std::string runs;
        std::string last;
        int count = 0;
        void pass_started(const TrackingPoint&) override {}
        void tracking_update(const TrackingPoint&) override {}
        void pulse_sent(const PulseRecord& p) override {
            const std::string what = std::string(side_name(p.side)) + " " +
                                     direction_name(p.direction) + " " + source_name(p.source);
            if (what != last && count > 0) {
                flush();
            }
            last = what;
            ++count;
        }
        void flush() {
            runs += (runs.empty() ? "" : ", ") + last + " x" + std::to_string(count);
            count = 0;
        }
    } pulses;
    LoggedRig logged(&pulses);
    GetParam().play(logged);
    logged.rig.run(30000);
    if (pulses.count > 0) {
        pulses.flush();
    }
    EXPECT_EQ(pulses.runs, GetParam().pulses);
}

INSTANTIATE_TEST_SUITE_P(
    PassLog, PulseSourceTable,
    ::testing::Values(SourceCase{"TuneTxThenTracking",
                                 [](LoggedRig& l) {
                                     l.rig.update(1000, 5.0, 0, -200);
                                     l.input(1500, [](TFMain& f) { f.Click("Button12"); });
                                 },
                                 "TX DOWN tune x2, TX UP tracking x1"},
                      SourceCase{"AdjustCatchUp",
                                 [](LoggedRig& l) {
                                     l.rig.update(1000, 5.0, 300);
                                     l.input(1500, [](TFMain& f) { f.Click("Button1"); });
                                     l.rig.update(6000, 5.0, 100);
                                     l.input(7000, [](TFMain& f) { f.KeyDown(13); });
                                 },
                                 "RX UP tune x3, RX DOWN tracking x2, RX DOWN adjust x2"},
                      SourceCase{"ButtonsAndArrows",
                                 [](LoggedRig& l) {
                                     l.input(100, [](TFMain& f) { f.Click("Button21"); });
                                     l.input(200, [](TFMain& f) { f.KeyDown(37); });
                                     l.input(300, [](TFMain& f) { f.Click("Button3"); });
                                 },
                                 "TX DOWN manual x1, TX UP manual x1, RX DOWN manual x1"}),
    [](const auto& info) { return std::string(info.param.name); });

// Where the disk fails: the folder cannot be made, or the file stops taking rows mid-pass (a
// file size limit stands in for a full disk). Either is told once, through the log's own thread,
// and the engine writes exactly what it writes without a log.
struct FailingDisk {
    const char* name;
    bool folder_is_a_file;
    rlim_t size_limit; // RLIM_INFINITY: none
    const char* reason;
};

void PrintTo(const FailingDisk& c, std::ostream* out) {
    *out << c.name;
}

class FailingDiskTable : public ::testing::TestWithParam<FailingDisk> {};

TEST_P(FailingDiskTable, IsReportedOnceAndThePassGoesOn) {
    const FailingDisk& c = GetParam();
    LoggedRig unlogged(nullptr);
    unlogged.play_pass();

    test::ScratchDir scratch;
    std::filesystem::path folder = scratch / "passes";
    if (c.folder_is_a_file) {
        std::ofstream(folder) << "not a folder";
    }
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit limit{c.size_limit, saved.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    std::vector<std::string> reports;
    std::vector<PortWrite> logged_writes;
    {
        PassLogWriter writer(folder, [&](const std::string& m) { reports.push_back(m); });
        QueuedObserver log(writer);
        LoggedRig logged(&log);
        logged.play_pass();
        logged_writes = logged.writes;
    }
    setrlimit(RLIMIT_FSIZE, &saved);

    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find(folder.string()), std::string::npos) << reports[0];
    EXPECT_NE(reports[0].find(c.reason), std::string::npos) << reports[0];
    EXPECT_EQ(logged_writes, unlogged.writes);
    // What the disk took ends with a whole row.
    if (std::filesystem::is_directory(folder)) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const std::string text = read_file(entry.path());
            EXPECT_TRUE(text.empty() || text.back() == '\n') << text;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    PassLog, FailingDiskTable,
    ::testing::Values(FailingDisk{"FolderIsAFile", true, RLIM_INFINITY, "cannot make the folder"},
                      FailingDisk{"DiskFullMidPass", false, 200, "cannot write"}),
    [](const auto& info) { return std::string(info.param.name); });

// However often the feed crosses the horizon, a satellite gets at most one file a minute: passes
// that start within it go on in its file.
struct FileLimitCase {
    const char* name;
    std::vector<std::pair<std::int64_t, const char*>> starts; // ms after kUtc0, satellite
    std::vector<std::size_t> rows_per_file;                   // header included, by file name
};

void PrintTo(const FileLimitCase& c, std::ostream* out) {
    *out << c.name;
}

class FileLimitTable : public ::testing::TestWithParam<FileLimitCase> {};

TEST_P(FileLimitTable, AtMostOneFileAMinutePerSatellite) {
    test::ScratchDir scratch;
    std::vector<std::string> reports;
    {
        PassLogWriter writer(scratch / "passes",
                             [&](const std::string& m) { reports.push_back(m); });
        for (const auto& [ms, satellite] : GetParam().starts) {
            TrackingPoint point{kUtc0 + ms, satellite, "", 5.0, 0, 0, 0, true, {}};
            writer.pass_started(point);
            writer.tracking_update(point);
            point.elevation_deg = -2.0;
            writer.tracking_update(point);
        }
    }
    EXPECT_TRUE(reports.empty()) << reports.front();
    std::map<std::string, std::size_t> rows;
    for (const auto& entry : std::filesystem::directory_iterator(scratch / "passes")) {
        const std::string text = read_file(entry.path());
        rows[entry.path().filename().string()] = std::count(text.begin(), text.end(), '\n');
    }
    std::vector<std::size_t> counts;
    for (const auto& [name, count] : rows) {
        counts.push_back(count);
    }
    EXPECT_EQ(counts, GetParam().rows_per_file);
}

std::vector<std::pair<std::int64_t, const char*>> flapping(int passes, std::int64_t every_ms) {
    std::vector<std::pair<std::int64_t, const char*>> starts;
    for (int pass = 0; pass < passes; ++pass) {
        starts.emplace_back(pass * every_ms, "AO-91");
    }
    return starts;
}

INSTANTIATE_TEST_SUITE_P(
    PassLog, FileLimitTable,
    ::testing::Values(FileLimitCase{"FlappingAcrossTheHorizon", flapping(471, 21), {943}},
                      FileLimitCase{"NextPassAfterAMinute", flapping(2, 60'000), {3, 3}},
                      FileLimitCase{"TwoSatellitesTakeTurns",
                                    {{0, "AO-91"}, {1000, "SO-50"}, {2000, "AO-91"}},
                                    {5, 3}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PassLog, FolderFollowsXdgRules) {
    struct Row {
        const char* xdg;
        const char* home;
        std::optional<std::string> folder;
    };
    const Row rows[] = {
        {"/data", "/home/op", "/data/dopplex/passes"},
        {"relative", "/home/op", "/home/op/.local/share/dopplex/passes"},
        {nullptr, "/home/op", "/home/op/.local/share/dopplex/passes"},
        {nullptr, "", std::nullopt},
    };
    for (const Row& row : rows) {
        const auto folder = pass_log_folder(row.xdg, row.home);
        EXPECT_EQ(folder ? std::optional(folder->string()) : std::nullopt, row.folder)
            << (row.xdg ? row.xdg : "(unset)");
    }
    EXPECT_EQ(pass_file_stem("../ISS (ZARYA)", kUtc0), "___ISS__ZARYA__20261207T082000Z");
}

TEST(AosCountdown, WordsAtAFewTimes) {
    const std::string aos = "2026-12-07 08:20:00";
    struct Row {
        std::string aos_text;
        double elevation_deg;
        std::int64_t now_ms;
        bool link_open;
        const char* text;
    };
    const Row rows[] = {
        {"", -5, kUtc0, true, ""},
        {aos, -5, kUtc0 - 247000, true, "UTC, in 4:07"},
        {aos, -5, kUtc0 - 245001, true, "UTC, in 4:06"}, // 4:05.001 left still reads 4:06
        {aos, -5, kUtc0 - 3723000, true, "UTC, in 1:02:03"},
        {aos, -5, kUtc0 - 1, true, "UTC, in 0:01"},
        {aos, -5, kUtc0, true, "UTC"},          // AOS is due: no count below zero
        {aos, 0.5, kUtc0 - 60000, true, "UTC"}, // already above the horizon
        {aos, -5, kUtc0 - 45000, false, ""},    // the link closed: the last pass's text
        {aos, 0.5, kUtc0 + 60000, false, ""},
        {"2026-02-30 08:20:00", -5, kUtc0, true, "UTC"},
        {"soon", -5, kUtc0, true, "UTC"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(aos_countdown_text(row.aos_text, row.elevation_deg, row.now_ms, row.link_open),
                  row.text)
            << row.aos_text << " at " << row.now_ms - kUtc0 << (row.link_open ? "" : " closed");
    }
}

} // namespace
} // namespace dopplex::app
