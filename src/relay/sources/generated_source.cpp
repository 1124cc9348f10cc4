#include "sources/generated_source.h"

namespace dopplex::tracker {

std::unique_ptr<PlayedSource> generated_source(const Satellite& satellite, const Schedule& schedule,
                                               double time_factor) {
    return std::make_unique<PlayedSource>(generate_passes(satellite, schedule), time_factor,
                                          "GENERATED");
}

} // namespace dopplex::tracker
