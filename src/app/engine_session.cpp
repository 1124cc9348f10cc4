#include "engine_session.h"

#include <sys/prctl.h>

namespace dopplex::app {

EngineSession::EngineSession(std::unique_ptr<port::PortBackend> backend)
    : port_(
          std::move(backend),
          [this](const std::string& message) {
              // A port fault found inside a handler is shown once that handler is done.
              loop_.post(EventKind::Control, [this, message] { loop_.report_error(message); });
          },
          &relay_) {
    dial_.attach(form_);
}

EngineSession::~EngineSession() {
    stop();
}

void EngineSession::start(std::function<void()> created) {
    thread_ = std::thread([this, created = std::move(created)] {
        // The default 50 us timer slack is a quarter of the edge error budget; 1 us costs nothing
        // here, since the thread sleeps through whole half-periods.
        prctl(PR_SET_TIMERSLACK, 1000UL, 0UL, 0UL, 0UL);
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
    loop_.post(EventKind::Input, [this, input = std::move(input)] { input(form_); });
}

void EngineSession::post_control(std::function<void(TFMain&)> action) {
    loop_.post(EventKind::Control, [this, action = std::move(action)] { action(form_); });
}

} // namespace dopplex::app
