#include "sources/hamlib_source.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace dopplex::tracker {

HamlibSource::HamlibSource(const HamlibOptions& options) : station_(options.name) {
    const auto add = [this, &options](const std::string& role, const Endpoint& endpoint,
                                      LineListener::ClientAnswer answer) {
        LineListener::Refused refused;
        if (options.refused) {
            refused = [role, tell = options.refused](const std::string& why) {
                tell(role + " " + why);
            };
        }
        listeners_.emplace_back(role, std::make_unique<LineListener>(endpoint, std::move(answer),
                                                                     options.allow_other_users,
                                                                     std::move(refused)));
    };
    // Each client of a rig its own copy: it reads back its own frequency.
    const auto rig_client = [this](const RigCommands& rig, bool uplink) {
        return [this, &rig, uplink]() -> LineListener::Answer {
            return [this, commands = rig, uplink](std::string_view line) mutable {
                return answer(commands.answer(line), uplink);
            };
        };
    };
    add("rig", options.rig, rig_client(rig_, false));
    if (options.uplink_rig) {
        add("uplink rig", *options.uplink_rig, rig_client(uplink_rig_, true));
    }
    add("rotator", options.rotator, [this]() -> LineListener::Answer {
        return [this](std::string_view line) { return answer(rotator_.answer(line), false); };
    });
}

std::string HamlibSource::first_text() const {
    return station_.text();
}

std::vector<std::string> HamlibSource::listening() const {
    std::vector<std::string> lines;
    for (const auto& [role, listener] : listeners_) {
        lines.push_back(role + " " + listener->address());
    }
    return lines;
}

std::vector<std::string> HamlibSource::exposed() const {
    std::vector<std::string> lines;
    for (const auto& [role, listener] : listeners_) {
        if (!listener->loopback()) {
            lines.push_back(role + " " + listener->address());
        }
    }
    return lines;
}

HamlibReply HamlibSource::answer(HamlibReply reply, bool uplink_rig) {
    if (reply.event) {
        station_.apply(*reply.event, uplink_rig);
        if (publish_ != nullptr) {
            (*publish_)(station_.text());
        }
    }
    return reply;
}

void HamlibSource::run(const Publish& publish, StopSignal& stop) {
    publish_ = &publish;
    std::vector<pollfd> fds;
    for (;;) {
        fds.assign(1, pollfd{stop.fd(), POLLIN, 0});
        for (const auto& [role, listener] : listeners_) {
            listener->add_poll_fds(fds);
        }
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            publish_ = nullptr;
            throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
        }
        if (fds[0].revents != 0) {
            break;
        }
        for (const auto& [role, listener] : listeners_) {
            listener->serve(fds);
        }
    }
    publish_ = nullptr;
}

} // namespace dopplex::tracker
