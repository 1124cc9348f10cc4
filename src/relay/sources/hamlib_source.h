// Listens as a Hamlib network rig (and optionally a second, uplink rig) and a network rotator,
// so that Gpredict or any client of Hamlib's NET rigctl / rotctl drives the tracking text.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hamlib/hamlib_options.h"
#include "hamlib/hamlib_rig.h"
#include "hamlib/hamlib_rotator.h"
#include "hamlib/line_listener.h"
#include "hamlib/station_text.h"
#include "sources/tracking_source.h"

namespace dopplex::tracker {

class HamlibSource : public TrackingSource {
public:
    // Binds every listener; throws std::runtime_error when one cannot listen.
    explicit HamlibSource(const HamlibOptions& options);
    std::string first_text() const override;
    void run(const Publish& publish, StopSignal& stop) override;
    // "rig 127.0.0.1:4532" and so on, one line per listener, as bound.
    std::vector<std::string> listening() const;
    // The listeners that others than this machine can reach.
    std::vector<std::string> exposed() const;

private:
    HamlibReply answer(HamlibReply reply, bool uplink_rig);

    StationText station_;
    RigCommands rig_;
    RigCommands uplink_rig_;
    RotatorCommands rotator_;
    std::vector<std::pair<std::string, std::unique_ptr<LineListener>>> listeners_;
    const Publish* publish_ = nullptr;
};

} // namespace dopplex::tracker
