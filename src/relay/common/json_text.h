// The JSON strings of the page and the script runner. The text is Latin-1 as the tracker sends it
// (a satellite's name in its code page), so every byte from 0x7f up is its own code point,
// written as \u00XX; so are the control characters. The result is plain ASCII, valid JSON
// whatever the bytes.
#pragma once

#include <string>

namespace dopplex {

std::string json_string(const std::string& text);

} // namespace dopplex
