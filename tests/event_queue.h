// The engine's queue for tests of the link transports, waiting with the tests' patience.
#pragma once

#include "eventually.h"
#include "link/shared/event_queue.h"

namespace dopplex::test {

class EventQueue : public link::EventQueue {
public:
    bool pump_until(const std::function<bool()>& done,
                    int timeout_ms = static_cast<int>(kPatience.count())) {
        return link::EventQueue::pump_until(done, timeout_ms);
    }
};

} // namespace dopplex::test
