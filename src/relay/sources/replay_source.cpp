#include "sources/replay_source.h"

#include "bounded_line.h"

#include <fstream>
#include <stdexcept>

namespace dopplex::tracker {

std::unique_ptr<PlayedSource> replay_source(const std::string& path, double time_factor) {
    std::ifstream in;
    tools::open_input(in, path);
    try {
        return std::make_unique<PlayedSource>(read_recording(in), time_factor, "REPLAY");
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(path + ": " + e.what());
    }
}

} // namespace dopplex::tracker
