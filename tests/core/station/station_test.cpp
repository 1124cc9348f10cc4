// The classic station over the engine in virtual time: each command in the state that allows it
// runs as the form's own input would, and in a state that does not it changes nothing and says
// why; its events carry what the engine decided.
#include "engine_rig.h"
#include "station/classic_station.h"

#include <gmock/gmock.h>

#include <functional>
#include <string>
#include <vector>

namespace dopplex::test {
namespace {

using testing::HasSubstr;

struct Told final : StationListener {
    std::vector<PulseSent> pulses;
    std::vector<TrackingApplied> updates;
    void pulse_sent(const PulseSent& pulse) override { pulses.push_back(pulse); }
    void tracking_applied(const TrackingApplied& update) override { updates.push_back(update); }
};

struct StationRig {
    explicit StationRig(RigOptions options = {}) : rig(options) {
        station.add_listener(&told);
        // The port keeps nothing once it has a listener: the trace is kept here.
        rig.port.on_write([this](const PortWrite& w) {
            writes.push_back(w);
            station.lines_written(w.value);
        });
    }
    Rig rig;
    std::vector<PortWrite> writes;
    ClassicStation station{rig.form};
    Told told;
};

struct CommandCase {
    const char* name;
    RigOptions options;
    std::function<void(StationRig&)> before; // up to t = 5000
    std::function<Result(Station&)> command;
    const char* refusal;                        // none: it runs
    std::function<bool(const StationRig&)> ran; // what running it did (none: nothing to see)
};

void PrintTo(const CommandCase& c, std::ostream* out) {
    *out << c.name;
}

void above(StationRig& s) {
    s.rig.update(1000, 10.0, 300, -200);
}
void below(StationRig& s) {
    s.rig.update(1000, -5.0);
}
void ended(StationRig& s) {
    s.rig.update(1000, 10.0);
    s.rig.update(2000, -2.0);
}
void closed_and_ended(StationRig& s) {
    s.station.set_mode(TrackingMode::Closed);
    ended(s);
}
std::size_t rises_after(const StationRig& s, std::uint8_t bit) {
    std::size_t rises = 0;
    bool high = false;
    for (const PortWrite& w : s.writes) {
        const bool now_high = (w.value & bit) != 0;
        rises += now_high && !high && w.t >= 5000 ? 1 : 0;
        high = now_high;
    }
    return rises;
}

const char* origin_name(PulseOrigin origin) {
    switch (origin) {
    case PulseOrigin::Tune:
        return "tune";
    case PulseOrigin::Adjust:
        return "adjust";
    case PulseOrigin::CatchUp:
        return "catch-up";
    case PulseOrigin::Tracking:
        return "tracking";
    case PulseOrigin::Reset:
        return "reset";
    case PulseOrigin::Manual:
        return "manual";
    case PulseOrigin::Loop:
        return "loop";
    case PulseOrigin::Other:
        break;
    }
    return "other";
}

class StationCommands : public testing::TestWithParam<CommandCase> {};

TEST_P(StationCommands, RunOrSayWhyNot) {
    const CommandCase& row = GetParam();
    StationRig s(row.options);
    row.before(s);
    s.rig.run(5000);
    const std::vector<PortWrite> before = s.writes;
    Result result;
    s.rig.loop.post(
        EventKind::Input, [&] { result = row.command(s.station); }, 5000);
    s.rig.run(60000);
    if (row.refusal) {
        EXPECT_FALSE(result.ok);
        EXPECT_THAT(result.why, HasSubstr(row.refusal));
        EXPECT_EQ(s.writes, before) << "a refused command wrote to the port";
    } else {
        EXPECT_TRUE(result.ok) << result.why;
        EXPECT_TRUE(result.why.empty());
        if (row.ran) {
            EXPECT_TRUE(row.ran(s));
        }
    }
    EXPECT_TRUE(s.rig.report_texts().empty());
}

const RigOptions kStep25{.step = "RadioButton2"};
const RigOptions kNoReferences{.type_references = false};

INSTANTIATE_TEST_SUITE_P(
    Station, StationCommands,
    testing::Values(
        CommandCase{"TuneBeforeAos",
                    {},
                    below,
                    [](Station& st) { return st.tune(Side::Rx); },
                    "Tune RX waits for the satellite above the horizon",
                    nullptr},
        CommandCase{"TuneRxAt25Hz", kStep25, above, [](Station& st) { return st.tune(Side::Rx); },
                    "Tune RX does not work at the 25 Hz step", nullptr},
        CommandCase{"TuneWithoutReference", kNoReferences, above,
                    [](Station& st) { return st.tune(Side::Rx); },
                    "The RX reference 'Enter Freq E8' is not a frequency", nullptr},
        CommandCase{"TuneRxAbove",
                    {},
                    above,
                    [](Station& st) { return st.tune(Side::Rx); },
                    nullptr,
                    [](const StationRig& s) { return rises_after(s, kRxUpBit) == 3; }},
        CommandCase{"TuneTxAbove",
                    {},
                    above,
                    [](Station& st) { return st.tune(Side::Tx); },
                    nullptr,
                    [](const StationRig& s) { return rises_after(s, kTxDownBit) == 2; }},
        CommandCase{"StartTrackingBeforeAos",
                    {},
                    below,
                    [](Station& st) { return st.start_tracking(Side::Tx); },
                    "Start Tracking TX waits for the satellite above the horizon",
                    nullptr},
        CommandCase{"StartTrackingAbove",
                    {},
                    above,
                    [](Station& st) { return st.start_tracking(Side::Rx); },
                    nullptr,
                    [](const StationRig& s) { return s.rig.form.timer_running(TFMain::Timer2); }},
        CommandCase{"ResetInThePass",
                    {},
                    above,
                    [](Station& st) { return st.reset(Side::Rx); },
                    "Reset RX runs once after the end of a pass: not now",
                    nullptr},
        CommandCase{"ResetAfterTheEnd",
                    {},
                    ended,
                    [](Station& st) { return st.reset(Side::Rx); },
                    nullptr,
                    [](const StationRig& s) { return !s.rig.form.Button22.enabled(); }},
        CommandCase{"ClosedResetWithNothingCounted",
                    {},
                    closed_and_ended,
                    [](Station& st) { return st.reset(Side::Tx); },
                    "The TX loop has counted no dial since the program started",
                    nullptr},
        CommandCase{"StepByHandAnyTime",
                    {},
                    below,
                    [](Station& st) { return st.step(Side::Tx, Dir::Up); },
                    nullptr,
                    [](const StationRig& s) { return rises_after(s, kTxUpBit) == 1; }},
        CommandCase{"NoSuchStep",
                    {},
                    below,
                    [](Station& st) { return st.set_step(50); },
                    "No step of 50 Hz",
                    nullptr},
        CommandCase{"StepOf1000",
                    {},
                    below,
                    [](Station& st) { return st.set_step(1000); },
                    nullptr,
                    [](const StationRig& s) {
                        return s.rig.form.RadioButton3.checked() &&
                               !s.rig.form.RadioButton1.checked();
                    }},
        CommandCase{"ReferenceAPowerOfTenOff",
                    {},
                    below,
                    [](Station& st) { return st.set_reference(Side::Tx, 145.92); },
                    "is not a frequency between 1 MHz and 10 GHz",
                    nullptr},
        CommandCase{"Reference",
                    {},
                    below,
                    [](Station& st) { return st.set_reference(Side::Rx, 4.3535e8); },
                    nullptr,
                    [](const StationRig& s) {
                        return s.station.dial_hz(Side::Rx) == 4.3535e8 &&
                               s.rig.form.Edit1.text() != "4.367750E8";
                    }},
        CommandCase{"HardwareOff",
                    {},
                    below,
                    [](Station& st) { return st.enable_hardware(false); },
                    nullptr,
                    [](const StationRig& s) { return !s.rig.form.CheckBox1.checked(); }},
        CommandCase{"ClassicStopFromTheQueue",
                    {},
                    below,
                    [](Station& st) { return st.stop(std::nullopt); },
                    "A classic train is stopped while it runs",
                    nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// Each pulse says what sent it, from the engine: a Tune's train, its Adjust's catch-up, tracking,
// a hand step and a Reset; the updates carry the engine's pass.
TEST(StationEvents, PulsesCarryTheirOriginAndUpdatesThePass) {
    StationRig s;
    s.rig.update(1000, 5.0, 300);
    s.rig.click(1500, "Button1");
    s.rig.update(6000, 5.0, 100);
    s.rig.key(7000, kVkReturn);
    s.rig.update(12000, 5.0, -200);
    s.rig.key(20000, 38);
    s.rig.update(21000, -2.0, 0);
    s.rig.click(22000, "Button22");
    s.rig.run(40000);
    std::string origins;
    for (const PulseSent& p : s.told.pulses) {
        origins += std::string(origins.empty() ? "" : ", ") + side_name(p.side) +
                   (p.dir == Dir::Up ? " up " : " down ") + origin_name(p.origin);
    }
    EXPECT_EQ(origins, "RX up tune, RX up tune, RX up tune, RX down tracking, RX down tracking, "
                       "RX down catch-up, RX down catch-up, RX down tracking, RX up manual, "
                       "RX up reset, RX up reset");
    std::string pass;
    for (const TrackingApplied& u : s.told.updates) {
        pass += u.starts_pass ? 'S' : u.ends_pass ? 'E' : u.in_pass ? 'p' : '-';
    }
    EXPECT_EQ(pass, "SppE");
}

} // namespace
} // namespace dopplex::test
