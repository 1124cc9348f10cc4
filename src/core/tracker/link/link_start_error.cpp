#include "tracker/link/link_start_error.h"

#include <cstdio>

namespace dopplex {

std::string link_start_error_message(unsigned code) {
    const char* format = "An error returned from DDE  ($0%x)";
    if (code == kLinkLowMemory || code == kLinkMemoryError) {
        format = "Error occurred when DDE ran out of memory ($0%x)";
    } else if (code == kLinkNoConversation) {
        format = "DDE Error - conversation not established ($0%x)";
    }
    char text[80];
    std::snprintf(text, sizeof text, format, code);
    return text;
}

LinkStartError::LinkStartError(unsigned code)
    : std::runtime_error(link_start_error_message(code)), code_(code) {}

LinkStartError::LinkStartError(unsigned code, const std::string& causes)
    : std::runtime_error(causes + link_start_error_message(code)), code_(code) {}

} // namespace dopplex
