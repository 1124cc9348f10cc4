// Where dopplex-tracker's Hamlib listeners bind, as the command line gives them.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "hamlib/client_allow.h"

namespace dopplex::tracker {

struct Endpoint {
    std::string host;
    int port = 0;      // 0: any free port
    AllowList allow{}; // empty: every client
};

// "ADDR:PORT", "[IPv6]:PORT" or a bare PORT on 127.0.0.1; throws std::invalid_argument.
Endpoint parse_endpoint(const std::string& option, const std::string& text);

struct HamlibOptions {
    Endpoint rig{"127.0.0.1", 4532};
    std::optional<Endpoint> uplink_rig;
    Endpoint rotator{"127.0.0.1", 4533};
    std::string name;
    bool allow_other_users = false; // TCP clients of other users of this machine
    // Told of each client turned away for its address, with the listener's role.
    std::function<void(const std::string&)> refused;
};

} // namespace dopplex::tracker
