// Small helpers to write the runner's JSON lines.
#pragma once

#include <string>

namespace dopplex {

std::string JsonString(const std::string& s);

} // namespace dopplex
