// Carries what the engine tells a window's pass readouts (the start of a pass, an update, a
// pulse) to the window's thread in one batch at a time, in the engine's order, and tells them
// to `window` there. An update goes without its satellite name: only the start names the pass,
// and a tracker may send a long name with every update.
#pragma once

#include "mailbox.h"
#include "pass_record.h"

#include <variant>
#include <vector>

namespace dopplex::app {

class PassMailbox final : public PassObserver {
public:
    // `window` hears on the window's thread, for as long as `schedule` reaches it.
    PassMailbox(MailboxSchedule schedule, PassObserver& window);

    // Engine thread.
    void pass_started(const TrackingPoint& aos) override;
    void tracking_update(const TrackingPoint& point) override;
    void pulse_sent(const PulseRecord& pulse) override;

private:
    struct Start {
        TrackingPoint aos;
    };
    using Heard = std::variant<Start, TrackingPoint, PulseRecord>;

    Mailbox<std::vector<Heard>> mailbox_;
};

} // namespace dopplex::app
