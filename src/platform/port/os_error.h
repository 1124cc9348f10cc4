// Turns an errno value into text an operator can act on: "EACCES, Permission denied".
#pragma once

#include <string>

namespace dopplex::port {

// The symbolic name and the system's text, e.g. "ENOENT, No such file or directory".
std::string errno_text(int error);

} // namespace dopplex::port
