// What both programs do before any window: read the command line, choose the port, and answer
// --version and --help. The port's description for --help is the caller's, as a backend built on
// Windows may say more than the port's name (InpOut32 missing).
#pragma once

#include "command_line.h"
#include "port/port_spec.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace dopplex::app {

struct StartUp {
    CommandLine line;
    port::PortSpec spec;
    std::optional<int> exit_status; // set: the program ends here, the operator has been told
};

// `say(text, error)`: the text for the standard output, or for the error output.
using Say = std::function<void(const std::string& text, bool error)>;
using DescribePort = std::function<std::string(const port::PortSpec&)>;

StartUp start_up(const std::vector<std::string>& arguments,
                 const std::optional<std::string>& port_environment, bool parport0_exists,
                 const Say& say, const DescribePort& describe = port::describe);

} // namespace dopplex::app
