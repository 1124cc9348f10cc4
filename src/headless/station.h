// What dopplexd does in place of an operator at the window: chooses the transponder by the first
// downlink it hears, types its references (less the learnt offsets) and ticks "Enable hardware",
// starts tracking at AOS, resets both radios after the pass, and carries out the page's nudges,
// Stop, Reset and clearing of offsets. Logs every event of the pass and ends the program through
// `fault` when the port fails or the tracker link ends. The page's nudges move a target per side
// that one run of presses follows, so a burst of them is never a queue; Stop drops what is not
// pressed yet. An action that cannot run answers why and changes nothing. A CAT side's learnt
// offset comes back through the loop instead of its reference, and its knob turns are kept like
// nudges; offsets a write could not keep are written again at each tracking update.
// A client of the engine's typed station: every command's result is checked, and a refusal is
// logged or answered. heard() runs on the tracking source's thread and hands each text to the
// engine in this process; the listeners run on the engine thread, the actions and view() on
// any thread.
#pragma once

#include "action_result.h"
#include "cat_journal.h"
#include "daemon_config.h"
#include "engine_session.h"
#include "journal.h"
#include "pass_log_writer.h"
#include "pass_recorder.h"
#include "queued_observer.h"
#include "station/station.h"

#include <array>
#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace dopplex::headless {

struct StationView {
    std::string transponder; // empty: none chosen yet
    std::string satellite;
    bool in_pass = false;
    double elevation_deg = 0;
    double azimuth_deg = 0;
    std::array<double, 2> doppler_hz{};             // RX (downlink), TX (uplink)
    std::array<std::optional<double>, 2> dial_hz{}; // where the radio is, its offset included
    std::array<std::int64_t, 2> offset_hz{};
    std::array<int, 2> behind_steps{}; // the closed loop: 0 when caught up
    std::optional<std::uint8_t> lines;
    std::string port;
    std::string tracking;                                   // "classic", "closed"
    std::array<std::string, 2> radio{"buttons", "buttons"}; // side_radio_text()
    std::array<std::string, 2> cat_status{};                // a CAT side's status line
    std::array<std::optional<std::int64_t>, 2> knob_hz{};   // the knob's turns this pass
    std::string priority; // the engine thread's scheduling; empty until it starts
    std::int64_t late_presses = 0;
};

class Station final : public StationListener,
                      public app::PassObserver,
                      public port::PortStatusListener,
                      public CatRadios::Observer {
public:
    // Throws ConfigError when the state cannot be kept.
    using SaveState = std::function<void(const DaemonState&)>;
    using Fault = std::function<void(const std::string& why)>;

    Station(app::EngineSession& session, DaemonConfig config, DaemonState state, SaveState save,
            Journal& journal, Fault fault);
    ~Station() override;

    // Before the session starts: hears the engine, the port and the pass.
    void attach();
    // Engine thread, once the form is made: every line low, the hardware off until a choice.
    void created();
    // Each tracking text: chooses the transponder, then the engine applies the latest text.
    void heard(const std::string& text);
    // From the page. A nudge is refused before a transponder is chosen and past the offset's
    // limit; it fails, pressing nothing, when its offset cannot be kept.
    ActionResult nudge(Side side, int direction);
    ActionResult stop();
    ActionResult reset();
    ActionResult clear_offsets();
    // Engine thread: the engine thread's scheduling, and each press held too long.
    void timing(const std::string& priority);
    void late_press(const std::string& what);
    // The program is ending: a link or port that closes now is no fault.
    void closing() { closing_ = true; }
    // Writes 0 to the port whether "Enable hardware" is ticked or not (the form writes nothing
    // while it is not): at start, and at the end of the exit sequence. Engine thread.
    void lower_all();

    StationView view() const;

    void side_log(const SideLog& log) override;
    void reset_ready(const ResetReady& ready) override;
    void pulse_sent(const PulseSent& pulse) override;
    void pass_started(const app::TrackingPoint& aos) override;
    void tracking_update(const app::TrackingPoint& point) override;
    void pulse_sent(const app::PulseRecord& pulse) override;
    void loop_behind(Side side, int steps) override;
    void loop_tuning_ahead(Side side, std::int64_t aos_in_ms) override;
    void loop_reach(Side side, bool in_reach, double heard_hz) override;
    void loop_late_press(Side side, std::int64_t held_ms) override;
    void port_status_changed(const port::PortStatus& status) override;
    // Engine thread: what the CAT radios say goes to the journal; a side's status to the view,
    // and a knob turn is kept as a learnt offset.
    void radio_plugged(Side side, const std::string& line) override {
        cat_journal_.radio_plugged(side, line);
    }
    void cat_report(Side side, const std::string& line) override {
        cat_journal_.cat_report(side, line);
    }
    void cat_status(Side side, const std::string& line) override;
    void cat_knob(Side side, double delta_hz) override;
    void cat_set(Side side, std::int64_t t, double hz) override;

private:
    void choose(double downlink_hz, const std::string& satellite);
    void start_tracking(dopplex::Station& station);
    void reset_radios(std::shared_ptr<std::promise<ActionResult>> answer = nullptr);
    void press_nudge(dopplex::Station& station, Side side);
    std::optional<std::string> stop_loop_nudges(dopplex::Station& station);
    std::optional<std::string> stop_nudge_runs(dopplex::Station& station);
    int take_back_unpressed(dopplex::Station& station, Side side);
    std::optional<std::string> drop_unpressed(const std::array<int, 2>& unpressed);
    ActionResult clear_references(dopplex::Station& station, const std::array<double, 2>& nominal);
    static bool counts_presses(const dopplex::Station& station, Side side);
    // Engine thread: a command's refusal goes to the journal.
    void checked(const Result& result);
    std::optional<std::string> why_no_reset() const;
    bool drop_pending();
    std::optional<double> shown_dial(Side side, std::optional<double> estimate) const;
    // The saving lock held. The error when the state could not be written (logged); the state
    // is then written again at the next tracking update until it is kept.
    std::optional<std::string> keep(const DaemonState& state);
    void keep_again();
    ActionResult kept_or_failed(const char* done, const DaemonState& state);

    app::EngineSession& session_;
    const DaemonConfig config_;
    SaveState save_;
    Journal& journal_;
    Fault fault_;
    app::PassRecorder recorder_;
    std::unique_ptr<app::PassLogWriter> log_writer_;
    std::unique_ptr<app::QueuedObserver> log_queue_;
    class PassNamer;
    std::unique_ptr<PassNamer> log_namer_;
    CatJournal cat_journal_{journal_};
    std::unique_ptr<CatRadios> cat_radios_; // engine thread
    std::atomic<bool> closing_{false};
    std::array<int, 2> in_loop_{}; // engine thread: nudges the closed loop holds, not pressed
    // Engine thread: nudges a tracking loop took as its offset whose presses have not gone out.
    std::array<int, 2> in_offset_{};

    // Taken before mutex_ by whatever changes the state and keeps it, so the file is written
    // one at a time, in the order of the changes.
    std::mutex saving_;
    mutable std::mutex mutex_; // guards what follows
    DaemonState state_;
    std::optional<Transponder> transponder_;
    bool choosing_ = true;           // the next downlink heard picks the transponder
    std::string refused_;            // why the last choice failed, logged once
    std::string latest_text_;        // the tracking text the engine applies next
    std::array<int, 2> nudges_{};    // presses on the lines no Reset of the engine counts, signed
    std::array<int, 2> pending_{};   // nudged steps not pressed yet, signed
    std::array<bool, 2> pressing_{}; // a run of nudge presses is in the engine's queue
    std::array<bool, 2> reset_ready_{};               // the engine's Reset of each side can run
    std::array<std::int64_t, 2> in_reference_{};      // the offsets typed into the references
    std::array<std::int64_t, 2> in_loop_offsets_{};   // the CAT sides' offsets the loop brings back
    std::array<std::optional<double>, 2> cat_dial_{}; // a CAT side's last set: where its dial is
    bool unkept_ = false; // under saving_: the file lacks offsets a write failed to keep
    std::array<int, 2> most_behind_{};
    StationView view_;
    port::PortHealth last_health_ = port::PortHealth::Ok;
};

} // namespace dopplex::headless
