// The generated pass: a satellite on a circular orbit, played in time.
#pragma once

#include <memory>

#include "sources/played_source.h"

namespace dopplex::tracker {

std::unique_ptr<PlayedSource> generated_source(const Satellite& satellite, const Schedule& schedule,
                                               double time_factor);

} // namespace dopplex::tracker
