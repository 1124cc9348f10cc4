#include "hamlib/hamlib_options.h"

#include <stdexcept>

namespace dopplex::tracker {

Endpoint parse_endpoint(const std::string& option, const std::string& text) {
    std::string host = "127.0.0.1";
    std::string port = text;
    const std::size_t colon = text.rfind(':');
    if (colon != std::string::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
            host = host.substr(1, host.size() - 2);
        }
    }
    const bool digits = !port.empty() && port.size() <= 5 &&
                        port.find_first_not_of("0123456789") == std::string::npos;
    if (host.empty() || !digits || std::stoi(port) > 65535) {
        throw std::invalid_argument(option + ": expected ADDRESS:PORT: " + text);
    }
    return {host, std::stoi(port)};
}

} // namespace dopplex::tracker
