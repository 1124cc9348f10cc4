// The error that stops the program when the link's transport layer cannot be started, with the
// platform's error code. Raised by a transport's start-up (see the socket transport for which
// local failures map to which code); caught by the program entry, which shows what() and ends.
#pragma once

#include <stdexcept>
#include <string>

namespace dopplex {

// Error codes of the transport layer, as the platform numbers them.
inline constexpr unsigned kLinkLowMemory = 0x4007;
inline constexpr unsigned kLinkMemoryError = 0x4008;
inline constexpr unsigned kLinkNoConversation = 0x400A;
inline constexpr unsigned kLinkInvalidParameter = 0x4006;
inline constexpr unsigned kLinkSystemError = 0x400F;

// The message shown for a start-up failure with that code.
std::string link_start_error_message(unsigned code);

class LinkStartError : public std::runtime_error {
public:
    explicit LinkStartError(unsigned code);
    // The causes come first, one per line ending in '\n'; the code's message stays the last line.
    LinkStartError(unsigned code, const std::string& causes);
    unsigned code() const { return code_; }

private:
    unsigned code_;
};

} // namespace dopplex
