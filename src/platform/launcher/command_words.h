// Splits a command line into words the way the platform's launch reads it: blanks separate
// words, double quotes group blanks into a word and are dropped.
#pragma once

#include <string>
#include <vector>

namespace dopplex::launch {

std::vector<std::string> command_words(const std::string& command_line);

} // namespace dopplex::launch
