// What dopplexd does in place of an operator at the window: chooses the transponder by the first
// downlink it hears, types its references (less the learnt offsets) and ticks "Enable hardware",
// starts tracking at AOS, resets both radios after the pass, and carries out the page's nudges,
// Stop, Reset and clearing of offsets. Logs every event of the pass and ends the program through
// `fault` when the port fails or the tracker link ends.
// heard() runs on the tracking source's thread, the observers on the engine thread, the actions
// and view() on any thread.
#pragma once

#include "daemon_config.h"
#include "engine_session.h"
#include "journal.h"
#include "pass_log_writer.h"
#include "pass_recorder.h"
#include "queued_observer.h"

#include <array>
#include <atomic>
#include <functional>
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
    std::array<double, 2> doppler_hz{}; // RX (downlink), TX (uplink)
    std::array<std::optional<double>, 2> dial_hz{};
    std::array<std::int64_t, 2> offset_hz{};
    std::array<int, 2> behind_steps{}; // the closed loop: 0 when caught up
    std::optional<std::uint8_t> lines;
    std::string port;
    std::string tracking; // "classic", "closed"
};

class Station final : public FormObserver,
                      public app::PassObserver,
                      public port::PortStatusListener {
public:
    using SaveState = std::function<void(const DaemonState&)>;
    using Fault = std::function<void(const std::string& why)>;

    Station(app::EngineSession& session, DaemonConfig config, DaemonState state, SaveState save,
            Journal& journal, Fault fault);
    ~Station() override;

    // Before the session starts: hears the engine, the port and the pass.
    void attach();
    // Engine thread, once the form is made: every line low, the hardware off until a choice.
    void created();
    // Each tracking text, before the link serves it.
    void heard(const std::string& text);
    // From the page. A nudge before a transponder is chosen is refused (false).
    bool nudge(Side side, int direction);
    void stop();
    void reset();
    void clear_offsets();
    // The program is ending: a link or port that closes now is no fault.
    void closing() { closing_ = true; }
    // Writes 0 to the port whether "Enable hardware" is ticked or not (the form writes nothing
    // while it is not): at start, and at the end of the exit sequence. Engine thread.
    void lower_all();

    StationView view() const;

    void control_changed(const Control& control, Change what) override;
    void focus_moved(const std::string&) override {}
    void pass_started(const app::TrackingPoint& aos) override;
    void tracking_update(const app::TrackingPoint& point) override;
    void pulse_sent(const app::PulseRecord& pulse) override;
    void loop_behind(Side side, int steps) override;
    void loop_tuning_ahead(Side side, std::int64_t aos_in_ms) override;
    void loop_late_press(Side side, std::int64_t held_ms) override;
    void port_status_changed(const port::PortStatus& status) override;

private:
    void choose(double downlink_hz);
    void start_tracking(TFMain& form);
    void reset_radios();
    void save_state();

    app::EngineSession& session_;
    const DaemonConfig config_;
    SaveState save_;
    Journal& journal_;
    Fault fault_;
    DialEstimate estimate_;
    app::PassRecorder recorder_;
    std::unique_ptr<app::PassLogWriter> log_writer_;
    std::unique_ptr<app::QueuedObserver> log_queue_;
    std::atomic<bool> closing_{false};
    bool link_opened_ = false; // engine thread

    mutable std::mutex mutex_; // guards what follows
    DaemonState state_;
    std::optional<Transponder> transponder_;
    bool choosing_ = true;        // the next downlink heard picks the transponder
    std::string refused_;         // why the last choice failed, logged once
    std::array<int, 2> nudges_{}; // this pass's presses from the page, undone after its Reset
    StationView view_;
    port::PortHealth last_health_ = port::PortHealth::Ok;
};

} // namespace dopplex::headless
