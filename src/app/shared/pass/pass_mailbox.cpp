#include "pass_mailbox.h"

#include <utility>

namespace dopplex::app {

PassMailbox::PassMailbox(MailboxSchedule schedule, PassObserver& window)
    : mailbox_(std::move(schedule), [&window](std::vector<Heard>& batch) {
          for (const Heard& heard : batch) {
              if (const auto* start = std::get_if<Start>(&heard)) {
                  window.pass_started(start->aos);
              } else if (const auto* point = std::get_if<TrackingPoint>(&heard)) {
                  window.tracking_update(*point);
              } else {
                  window.pulse_sent(std::get<PulseRecord>(heard));
              }
          }
      }) {}

void PassMailbox::pass_started(const TrackingPoint& aos) {
    mailbox_.post([&](std::vector<Heard>& batch) { batch.emplace_back(Start{aos}); });
}

void PassMailbox::tracking_update(const TrackingPoint& point) {
    mailbox_.post([&](std::vector<Heard>& batch) {
        batch.emplace_back(point);
        std::get<TrackingPoint>(batch.back()).satellite.clear();
    });
}

void PassMailbox::pulse_sent(const PulseRecord& pulse) {
    mailbox_.post([&](std::vector<Heard>& batch) { batch.emplace_back(pulse); });
}

} // namespace dopplex::app
