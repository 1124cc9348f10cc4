#include "engine_session.h"

#include "base/numtext.h"
#include "realtime/realtime_request.h"
#include "reference_check.h"

#include <iostream>
#include <limits>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace dopplex::app {

EngineSession::EngineSession(std::unique_ptr<port::PortBackend> backend)
    : port_(
          std::move(backend),
          [this](const std::string& message) {
              if (opening_port_ && open_fault_report_ && !open_fault_report_()) {
                  return;
              }
              // A port fault found inside a handler is shown once that handler is done.
              loop_.post(EventKind::Control, [this, message] { loop_.report_error(message); });
          },
          &relay_),
      timing_log_([](const std::string& line) { std::cerr << "Dopplex: " << line << '\n'; }),
      guard_(
          port_, [this] { return host_.now(); },
          [this](const LatePress& press) {
              (late_press_log_ ? late_press_log_ : timing_log_)(late_press_text(press));
          }) {
    // A request to a tracker that does not answer must not hold up closing either.
    host_.set_interrupt_hook([this] {
        if (form_.Tracking) {
            form_.Tracking->interrupt();
        }
    });
    dial_.attach(form_);
    form_.latch.guard = &guard_;
    relay_.more.push_back(&station_lines_);
}

void EngineSession::StationLines::port_status_changed(const port::PortStatus& status) {
    station.lines_written(status.lines || status.health == port::PortHealth::Failed
                              ? status.lines
                              : std::optional<std::uint8_t>(0));
}

void EngineSession::StatusRelay::port_status_changed(const port::PortStatus& status) {
    port::PortStatus shown = status;
    {
        std::lock_guard lock(mutex);
        shown.timing = timing;
    }
    if (target) {
        target->port_status_changed(shown);
    }
    if (std::this_thread::get_id() != engine) {
        return;
    }
    for (port::PortStatusListener* listener : more) {
        listener->port_status_changed(shown);
    }
}

EngineSession::~EngineSession() {
    stop();
}

void EngineSession::start(std::function<void()> created) {
    thread_ = std::thread([this, created = std::move(created)] {
#ifdef __linux__
        // The default 50 us timer slack is a quarter of the edge error budget; 1 us costs nothing
        // here, since the thread sleeps through whole half-periods.
        prctl(PR_SET_TIMERSLACK, 1000UL, 0UL, 0UL, 0UL);
#endif
        relay_.engine = std::this_thread::get_id();
        const realtime::Outcome timing =
            realtime::request_for_this_thread(realtime::kEnginePriority);
        if (!timing.realtime)
            timing_log_("normal priority for the engine thread: " + timing.why);
        if (priority_listener_)
            priority_listener_(timing.realtime ? timing.how : std::string("normal priority"));
        {
            std::lock_guard lock(relay_.mutex);
            relay_.timing = timing.note();
        }
        guard_.start_watchdog(
            [] { realtime::request_for_this_thread(realtime::kWatchdogPriority); });
        opening_port_ = true;
        port_.open();
        opening_port_ = false;
        loop_.guarded([this] { form_.FormCreate(); });
        if (created)
            created();
        loop_.run();
    });
}

void EngineSession::stop() {
    if (!thread_.joinable()) {
        return;
    }
    loop_.quit();
    thread_.join();
    // The engine thread is gone, so this thread may end the link in its place.
    if (form_.Tracking) {
        form_.Tracking->CloseConversation();
    }
}

namespace {

const Control& reference_field(const TFMain& form, Side side) {
    return side == Side::Rx ? form.Edit1 : form.Edit13;
}

double tracker_hz(const TFMain& form, Side side) {
    return side == Side::Rx ? form.SatData.Downlink : form.SatData.Uplink;
}

} // namespace

std::optional<std::string> EngineSession::reference_hint_now(Side side) const {
    return reference_hint(reference_field(form_, side).text(), tracker_hz(form_, side));
}

void EngineSession::commit_reference(Side side) {
    if (reference_hint_now(side)) {
        return;
    }
    const double hz = ParseNumber(reference_field(form_, side).text());
    dial_.set_reference(side, hz);
    station_.reference_done(side, hz);
    for (const auto& listener : reference_listeners_) {
        listener(side, hz);
    }
}

void EngineSession::post_input(std::function<void(TFMain&)> input) {
    loop_.post(EventKind::Input, [this, input = std::move(input)] { input(form_); });
}

void EngineSession::post_command(std::function<void(Station&)> command) {
    post_input([this, command = std::move(command)](TFMain&) { command(station_); });
}

void EngineSession::post_tracking(std::function<void(Station&)> delivery) {
    loop_.post(EventKind::Link, [this, delivery = std::move(delivery)] { delivery(station_); });
}

void EngineSession::post_control(std::function<void(TFMain&)> action) {
    loop_.post(EventKind::Control, [this, action = std::move(action)] { action(form_); });
}

void EngineSession::request_stop(std::optional<Side> side) {
    host_.request_stop();
    post_control([side](TFMain& form) { form.StopTrains(side); });
}

std::shared_future<void> EngineSession::close_now() {
    host_.interrupt();
    std::lock_guard lock(close_mutex_);
    if (lowered_.valid()) {
        return lowered_; // the sequence is queued or done already: the loop ends after it
    }
    auto done = std::make_shared<std::promise<void>>();
    lowered_ = done->get_future().share();
    // Ahead of everything queued, and the last handler: a tick or an update waiting behind the
    // cut train would press a button again after the lines went low.
    loop_.post(
        EventKind::Control,
        [this, done] {
            form_.SpeedButton1Click();
            loop_.quit();
            done->set_value();
        },
        std::numeric_limits<std::int64_t>::min());
    return lowered_;
}

void EngineSession::request_exit() {
    if (exit_requested_.exchange(true)) {
        return;
    }
    post_input([](TFMain& form) { form.SpeedButton1Click(); });
}

void EngineSession::request_exit_now() {
    exit_requested_ = true;
    // A train running now would hold the close up for as long as it lasts: cut it short.
    close_now();
}

} // namespace dopplex::app
