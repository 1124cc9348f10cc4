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

#include <functional>
#include <memory>
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
    explicit StationRig(const std::string& settings) {
        headless::DaemonConfig config;
        read_config(settings + kAo91, "test.conf", config);
        station = std::make_unique<headless::Station>(
            session, config, headless::DaemonState{}, [](const headless::DaemonState&) {}, journal,
            [this](const std::string& why) { journal.error("fault: " + why); });
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

    std::ostringstream out;
    headless::Journal journal{out, false};
    app::EngineSession session{port::make_port_backend(port::parse_port_spec("trace:/dev/null"))};
    std::unique_ptr<headless::Station> station;
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

} // namespace
} // namespace dopplex::test
