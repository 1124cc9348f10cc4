// A recorded session (milliseconds, a tab, the text per line), played in time.
#pragma once

#include <memory>
#include <string>

#include "sources/played_source.h"

namespace dopplex::tracker {

// Throws std::runtime_error when the file cannot be read or a line is malformed.
std::unique_ptr<PlayedSource> replay_source(const std::string& path, double time_factor);

} // namespace dopplex::tracker
