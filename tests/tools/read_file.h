// The whole contents of a file, or "" when it cannot be read.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace dopplex {

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace dopplex
