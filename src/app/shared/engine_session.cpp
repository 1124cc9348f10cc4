#include "engine_session.h"

#include <limits>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace dopplex::app {

EngineSession::EngineSession(std::unique_ptr<port::PortBackend> backend)
    : port_(
          std::move(backend),
          [this](const std::string& message) {
              // A port fault found inside a handler is shown once that handler is done.
              loop_.post(EventKind::Control, [this, message] { loop_.report_error(message); });
          },
          &relay_) {
    // A request to a tracker that does not answer must not hold up closing either.
    host_.set_interrupt_hook([this] {
        if (form_.Tracking)
            form_.Tracking->interrupt();
    });
    dial_.attach(form_);
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
        if (wrapper_)
            loop_.set_tick_handler([this, tick = loop_.tick_handler()](int timer) {
                run_wrapped(EventKind::Tick, [&] { tick(timer); });
            });
        port_.open();
        loop_.guarded([this] { form_.FormCreate(); });
        if (created)
            created();
        loop_.run();
    });
}

void EngineSession::stop() {
    if (!thread_.joinable())
        return;
    loop_.quit();
    thread_.join();
    // The engine thread is gone, so this thread may end the link in its place.
    if (form_.Tracking)
        form_.Tracking->CloseConversation();
}

void EngineSession::post_input(std::function<void(TFMain&)> input) {
    loop_.post(EventKind::Input, [this, input = std::move(input)] {
        run_wrapped(EventKind::Input, [&] { input(form_); });
    });
}

void EngineSession::run_wrapped(EventKind kind, const std::function<void()>& handler) {
    if (wrapper_)
        wrapper_(kind, handler);
    else
        handler();
}

void EngineSession::post_control(std::function<void(TFMain&)> action) {
    loop_.post(EventKind::Control, [this, action = std::move(action)] { action(form_); });
}

std::shared_future<void> EngineSession::close_now() {
    host_.interrupt();
    std::lock_guard lock(close_mutex_);
    if (lowered_.valid())
        return lowered_; // the sequence is queued or done already: the loop ends after it
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
    if (exit_requested_.exchange(true))
        return;
    post_input([](TFMain& form) { form.SpeedButton1Click(); });
}

void EngineSession::request_exit_now() {
    exit_requested_ = true;
    // A train running now would hold the close up for as long as it lasts: cut it short.
    close_now();
}

} // namespace dopplex::app
