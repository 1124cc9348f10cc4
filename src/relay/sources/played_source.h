// Plays timed updates (a generated pass or a recording) in real time, optionally faster. Every
// text it serves is marked simulated, naming `kind` ("GENERATED", "REPLAY").
#pragma once

#include <string>
#include <vector>

#include "pass/pass_script.h"
#include "sources/tracking_source.h"

namespace dopplex::tracker {

class PlayedSource : public TrackingSource {
public:
    PlayedSource(std::vector<Update> updates, double time_factor, std::string kind);
    std::string first_text() const override;
    void run(const Publish& publish, StopSignal& stop) override;
    const std::vector<Update>& updates() const { return updates_; }

private:
    std::vector<Update> updates_;
    double time_factor_;
    std::string kind_;
};

} // namespace dopplex::tracker
