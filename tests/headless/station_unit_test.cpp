// dopplexd's station on its own, over a real engine session and a trace port: each page action
// in each state of a pass answers as it should, a refusal with its reason, the engine's own
// refusals included.
#include "case_name.h"
#include "daemon_config.h"
#include "engine_session.h"
#include "eventually.h"
#include "journal.h"
#include "port/port_spec.h"
#include "station.h"

#include <gmock/gmock.h>

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <sstream>

namespace dopplex::test {
namespace {

using headless::ActionResult;
using testing::HasSubstr;

constexpr const char* kAo91 = "[transponder AO-91]\ndownlink = 145960000\nuplink = 435250000\n";

std::string text(double elevation) {
    return "SN\"AO-91\" AZ100.0 EL" + std::to_string(elevation) + " DN145960000 UP435250000";
}

struct StationRig {
    explicit StationRig(const std::string& settings, headless::DaemonState state = {}) {
        headless::DaemonConfig config;
        read_config(settings + kAo91, "test.conf", config);
        station = std::make_unique<headless::Station>(
            session, config, std::move(state),
            [this](const headless::DaemonState& kept) {
                if (!writable) {
                    throw headless::ConfigError("dopplexd.state: cannot be written: Read-only");
                }
                std::lock_guard lock(saving);
                saved = kept;
            },
            journal, [this](const std::string& why) { journal.error("fault: " + why); });
        station->attach();
        session.start([this] { station->created(); });
    }
    ~StationRig() {
        station->closing();
        session.close_now().wait();
        session.stop();
    }
    bool printed(const std::string& part) {
        return eventually([&] {
            for (const std::string& line : journal.recent()) {
                if (line.find(part) != std::string::npos) {
                    return true;
                }
            }
            return false;
        });
    }
    void hear(double elevation) { station->heard(text(elevation)); }
    headless::DaemonState last_saved() {
        std::lock_guard lock(saving);
        return saved;
    }
    // What the engine thread holds, once everything posted before has run.
    template <typename T> T on_engine(std::function<T(dopplex::Station&)> read) {
        auto told = std::make_shared<std::promise<T>>();
        session.post_command([&read, told](dopplex::Station& s) { told->set_value(read(s)); });
        return told->get_future().get();
    }

    std::ostringstream out;
    headless::Journal journal{out, false};
    app::EngineSession session{port::make_port_backend(port::parse_port_spec("trace:/dev/null"))};
    std::unique_ptr<headless::Station> station;
    std::atomic<bool> writable{true};
    std::mutex saving;
    headless::DaemonState saved;
};

// The states of a pass, each reached as the relay would bring it about.
void before_a_transponder(StationRig&) {}
void chosen(StationRig& rig) {
    rig.hear(-5.0);
    ASSERT_TRUE(rig.printed("transponder AO-91"));
}
void in_pass(StationRig& rig) {
    chosen(rig);
    rig.hear(10.0);
    ASSERT_TRUE(eventually([&] { return rig.station->view().in_pass; }));
}
// The end of the pass and the Reset it starts, both sides' words logged.
void after_los(StationRig& rig) {
    in_pass(rig);
    rig.hear(-2.0);
    ASSERT_TRUE(rig.printed("RX: RX freq. set for next pass"));
    ASSERT_TRUE(rig.printed("TX: TX freq. set for next pass"));
}
// A closed-loop pass in which no side started: the end enables both Resets, with nothing counted.
void after_a_pass_no_loop_ran(StationRig& rig) {
    in_pass(rig);
    rig.hear(-2.0);
    ASSERT_TRUE(rig.printed("end of pass: AO-91"));
}

using Action = std::function<ActionResult(headless::Station&)>;
const Action kNudge = [](headless::Station& s) { return s.nudge(Side::Rx, 1); };
const Action kStop = [](headless::Station& s) { return s.stop(); };
const Action kReset = [](headless::Station& s) { return s.reset(); };
const Action kClear = [](headless::Station& s) { return s.clear_offsets(); };

struct ActionCase {
    const char* name;
    const char* settings;
    void (*state)(StationRig&);
    Action action;
    int status;
    const char* reason; // part of the answer's text
};

class StationActions : public testing::TestWithParam<ActionCase> {};

TEST_P(StationActions, AnswerWhatTheStationDid) {
    const ActionCase& row = GetParam();
    StationRig rig(row.settings);
    row.state(rig);
    if (testing::Test::HasFatalFailure()) {
        return;
    }
    const ActionResult answer = row.action(*rig.station);
    EXPECT_EQ(answer.status, row.status) << answer.reason;
    EXPECT_THAT(answer.reason, HasSubstr(row.reason));
}

constexpr const char* kClassic = "";
constexpr const char* kClosedNoStart = "[dopplexd]\ntracking = closed\nstart_at_aos = off\n";

INSTANTIATE_TEST_SUITE_P(
    Station, StationActions,
    testing::Values(
        ActionCase{"nudge_before_a_transponder", kClassic, before_a_transponder, kNudge, 409,
                   "no transponder chosen yet"},
        ActionCase{"reset_before_a_transponder", kClassic, before_a_transponder, kReset, 409,
                   "no transponder chosen yet"},
        ActionCase{"stop_before_a_transponder", kClassic, before_a_transponder, kStop, 204, ""},
        ActionCase{"clear_before_a_transponder", kClassic, before_a_transponder, kClear, 204, ""},
        ActionCase{"reset_before_aos", kClassic, chosen, kReset, 409,
                   "both radios are at their references already"},
        ActionCase{"nudge_before_aos", kClassic, chosen, kNudge, 204, ""},
        ActionCase{"reset_in_a_classic_pass", kClassic, in_pass, kReset, 409,
                   "the satellite is up: classic tracking resets after the pass"},
        ActionCase{"nudge_in_a_classic_pass", kClassic, in_pass, kNudge, 204, ""},
        ActionCase{"stop_in_a_classic_pass", kClassic, in_pass, kStop, 204, ""},
        ActionCase{"reset_after_the_resets_of_los", kClassic, after_los, kReset, 409,
                   "both radios are at their references already"},
        ActionCase{"clear_after_los", kClassic, after_los, kClear, 204, ""},
        ActionCase{"reset_when_the_loop_counted_nothing", kClosedNoStart, after_a_pass_no_loop_ran,
                   kReset, 409, "loop has counted no dial since the program started"}),
    [](const auto& info) { return case_name(info.param.name, info.index); });

constexpr const char* kCatRx = "[dopplexd]\ntracking = closed\nrx_radio = cat:127.0.0.1:1\n";

// A CAT side on the page: its radio, the daemon's status line (nothing listens on port 1), the
// knob's turns and, as its dial, its last set through the updates after it; a side on buttons
// shows none of it.
TEST(StationCat, TheViewShowsTheRadioItsStatusAndTheKnob) {
    StationRig rig(kCatRx);
    in_pass(rig);
    ASSERT_TRUE(eventually([&] { return !rig.station->view().cat_status[0].empty(); }));
    rig.station->cat_knob(Side::Rx, 1000.2);
    rig.station->cat_set(Side::Rx, 0, 145961234);
    rig.hear(11.0);
    ASSERT_TRUE(eventually([&] { return rig.station->view().elevation_deg == 11.0; }));
    const headless::StationView view = rig.station->view();
    EXPECT_EQ(view.dial_hz[0], 145961234);
    EXPECT_EQ(view.radio, (std::array<std::string, 2>{"cat:127.0.0.1:1", "buttons"}));
    EXPECT_THAT(view.cat_status[0], HasSubstr("no connection to 127.0.0.1:1: "));
    EXPECT_EQ(view.cat_status[1], "");
    EXPECT_EQ(view.knob_hz[0], 1000);
    EXPECT_EQ(view.knob_hz[1], std::nullopt);
}

// A knob turn is kept as a learnt offset, the lock's move of the other side with it, each side
// at its own step.
TEST(StationCat, AKnobTurnIsKeptWithTheLocksMove) {
    const struct {
        const char* lock;
        double turn_hz;
        std::array<std::int64_t, 2> kept;
    } rows[] = {
        {"off", 1000, {1000, 0}},
        {"noninverting", -250, {-250, -300}},
        {"inverting", 1037, {1037, -1000}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.lock);
        StationRig rig(std::string(kCatRx) + "lock = " + row.lock + "\n");
        chosen(rig);
        rig.station->cat_knob(Side::Rx, row.turn_hz);
        EXPECT_EQ(rig.last_saved().offsets_hz["AO-91"], row.kept);
        EXPECT_EQ(rig.station->view().offset_hz, row.kept);
    }
}

// After a restart the CAT side's kept offset is the loop's own at AOS (it is set to Doppler plus
// the offset); the buttons' stays in their reference.
TEST(StationCat, AKeptOffsetComesBackOnTheCatSide) {
    headless::DaemonState state;
    state.offsets_hz["AO-91"] = {1000, 200};
    StationRig rig(kCatRx, state);
    in_pass(rig);
    const auto offsets = rig.on_engine<std::array<double, 2>>([](dopplex::Station& s) {
        return std::array<double, 2>{s.loop_state(Side::Rx).offset_hz,
                                     s.loop_state(Side::Tx).offset_hz};
    });
    EXPECT_EQ(offsets, (std::array<double, 2>{1000, 0}));
    EXPECT_TRUE(rig.printed("RX reference 1.4596E8, TX reference 4.352498E8"));
}

// Offsets a write could not keep are written at the next update once the file is writable.
TEST(StationState, AnUnkeptOffsetIsWrittenOnceWritable) {
    const struct {
        const char* what;
        void (*change)(StationRig&); // while the file cannot be written
    } rows[] = {
        {"a knob turn", [](StationRig& rig) { rig.station->cat_knob(Side::Rx, 500); }},
        {"a Stop that drops nudges not pressed yet",
         [](StationRig& rig) {
             rig.writable = true;
             for (int n = 0; n < 5; ++n) {
                 ASSERT_EQ(rig.station->nudge(Side::Tx, -1).status, 204);
             }
             rig.writable = false;
             EXPECT_EQ(rig.station->stop().status, 500);
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        StationRig rig(kCatRx);
        chosen(rig);
        rig.writable = false;
        row.change(rig);
        EXPECT_TRUE(rig.printed("dopplexd.state: cannot be written: Read-only"));
        rig.writable = true;
        rig.hear(-3.0);
        ASSERT_TRUE(rig.printed("the learnt offsets are kept again"));
        EXPECT_EQ(rig.last_saved().offsets_hz["AO-91"], rig.station->view().offset_hz);
    }
}

// Stop in a pass ends a run of nudges the tracking loop is catching up: the offset keeps the
// steps pressed (the dial's move from where the loop started) and the loop goes on tracking.
TEST(StationActions, StopInAClosedPassKeepsThePressedNudgesAndTracks) {
    const struct {
        Side side;
        int direction;
        int nudges;
    } rows[] = {{Side::Tx, 1, 6}, {Side::Rx, -1, 4}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.side == Side::Rx ? "RX" : "TX");
        StationRig rig("[dopplexd]\ntracking = closed\n");
        in_pass(rig);
        const auto dial = [&rig, side = row.side] {
            return rig.on_engine<double>(
                [side](dopplex::Station& s) { return s.loop_state(side).dial_hz.value_or(0); });
        };
        ASSERT_TRUE(eventually([&] { return dial() != 0; }));
        const double started = dial();
        for (int n = 0; n < row.nudges; ++n) {
            ASSERT_EQ(rig.station->nudge(row.side, row.direction).status, 204);
        }
        ASSERT_TRUE(eventually([&] { return dial() != started; }));
        ASSERT_EQ(rig.station->stop().status, 204);
        const int index = static_cast<int>(row.side);
        const std::int64_t offset = rig.station->view().offset_hz[index];
        EXPECT_EQ(rig.last_saved().offsets_hz["AO-91"][index], offset);
        EXPECT_GT(offset * row.direction, 0);
        EXPECT_LT(offset * row.direction, row.nudges * 100);
        EXPECT_TRUE(eventually([&] { return dial() - started == double(offset); }))
            << dial() - started << " Hz pressed, offset " << offset;
        EXPECT_TRUE(rig.on_engine<bool>(
            [side = row.side](dopplex::Station& s) { return s.loop_state(side).tracking; }));
    }
}

// A Reset that undoes a nudge before the pass is not contradicted by the engine's own refusal.
TEST(StationActions, AResetThatRunsLogsNoRefusal) {
    StationRig rig(kClassic);
    chosen(rig);
    ASSERT_EQ(rig.station->nudge(Side::Rx, 1).status, 204);
    rig.on_engine<bool>([](dopplex::Station&) { return true; }); // pressed
    ASSERT_EQ(rig.station->reset().status, 204);
    rig.on_engine<bool>([](dopplex::Station&) { return true; });
    EXPECT_TRUE(rig.printed("Reset: both radios back to their references"));
    for (const std::string& line : rig.journal.recent()) {
        EXPECT_THAT(line, testing::Not(HasSubstr("Reset RX"))) << line;
    }
}

} // namespace
} // namespace dopplex::test
