// The user guide that the help window shows: English, then French, in UTF-8, lines ended by
// '\n'. Written in user_guide.txt beside this file and built into the program; the text lives
// as long as the program.
#pragma once

#include <string_view>

namespace dopplex {

std::string_view user_guide();

} // namespace dopplex
