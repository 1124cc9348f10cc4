// The server dopplex-tracker serves on: the local socket link on Linux, DDE on Windows. Both
// take set_item() from the playing loop and announce changes to their subscribers.
#pragma once

#include <iostream>
#include <memory>

#include "tracker/link/client_conversation.h"

#ifdef _WIN32
#include "link/dde/dde_server.h"
#else
#include "link/socket/link_server.h"
#include "link/socket/runtime_dir.h"
#endif

namespace dopplex::tracker {

#ifdef _WIN32
using TrackerServer = link::DdeServer;
using TrackerServerOptions = link::DdeServerOptions;

inline std::unique_ptr<TrackerServer> make_tracker_server(const TrackerServerOptions& options) {
    return std::make_unique<TrackerServer>(kTrackerService, kTrackerTopic, options);
}
#else
using TrackerServer = link::LinkServer;
using TrackerServerOptions = link::LinkServerOptions;

// Says on stderr which link folder it took when that was not the first choice.
inline std::unique_ptr<TrackerServer> make_tracker_server(const TrackerServerOptions& options) {
    const link::RuntimeDir dir = link::runtime_dir();
    for (const std::string& line : link::runtime_dir_notice(dir)) {
        std::cerr << "dopplex-tracker: " << line << '\n';
    }
    return std::make_unique<TrackerServer>(
        link::socket_path(dir.path, kTrackerService, kTrackerTopic), kTrackerService, kTrackerTopic,
        options);
}
#endif

} // namespace dopplex::tracker
