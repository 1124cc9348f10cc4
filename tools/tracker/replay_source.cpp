#include "replay_source.h"

#include <fstream>
#include <stdexcept>

namespace dopplex::tracker {

std::unique_ptr<PlayedSource> replay_source(const std::string& path, double time_factor) {
    std::ifstream in(path);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return std::make_unique<PlayedSource>(read_recording(in), time_factor, "REPLAY");
}

} // namespace dopplex::tracker
