// Names for the rows of a parameterised test, so that listings and ctest show what a row is
// instead of its raw bytes.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace dopplex::test {

// The row's text with every character but letters and digits as '_', then its index, which keeps
// two rows apart whose texts differ only in those characters.
inline std::string case_name(std::string_view text, std::size_t index) {
    std::string name;
    for (const unsigned char c : text) {
        name += std::isalnum(c) != 0 && c < 0x80 ? static_cast<char>(c) : '_';
    }
    return name + "_" + std::to_string(index);
}

} // namespace dopplex::test
