// Endings the window never sees: Qt's xcb plugin calls exit(1) when the X connection breaks,
// and qFatal aborts. While a ForcedExit is alive, exit(), quick_exit() and qFatal first cut a
// running train short and wait, a bounded time, for the engine's exit sequence to lower every
// line; then the engine is stopped, so no radio button is left pressed and no engine thread
// runs on into the static destructors. It does nothing from signal handlers: the port's write
// is not async-signal-safe (crashes are not covered).
// One instance per process, built on the GUI thread after the session it guards and gone
// before it.
#pragma once

#include <chrono>

namespace dopplex::app {

class EngineSession;

class ForcedExit {
public:
    // A wedged port write must not hold the ending up for ever.
    static constexpr std::chrono::milliseconds kLowerTimeout{2000};

    explicit ForcedExit(EngineSession& session);
    ~ForcedExit();
    ForcedExit(const ForcedExit&) = delete;
    ForcedExit& operator=(const ForcedExit&) = delete;
};

} // namespace dopplex::app
