#include "start_up.h"

#include "dopplex_version.h"

namespace dopplex::app {

StartUp start_up(const std::vector<std::string>& arguments,
                 const std::optional<std::string>& port_environment, bool parport0_exists,
                 const Say& say, const DescribePort& describe) {
    StartUp start{parse_command_line(arguments), {}, std::nullopt};
    if (!start.line.error.empty()) {
        say("dopplex: " + start.line.error + "\n" + usage_text("(not chosen)"), true);
        start.exit_status = 2;
        return start;
    }
    if (start.line.version) {
        say(std::string("dopplex ") + kVersion + "\n", false);
        start.exit_status = 0;
        return start;
    }
    try {
        start.spec = port::choose_port_spec(start.line.port, port_environment, parport0_exists);
        if (start.line.help) {
            say(usage_text(describe(start.spec)), false);
            start.exit_status = 0;
        }
    } catch (const port::PortSpecError& error) {
        say(std::string("dopplex: ") + error.what() + "\n", true);
        start.exit_status = 2;
    }
    return start;
}

} // namespace dopplex::app
