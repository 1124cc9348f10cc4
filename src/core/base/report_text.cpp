#include "base/numtext.h"

namespace dopplex {

std::string ReportText(const std::string& message) {
    // Messages that already end in punctuation (".", "!", ")", "'") keep their own ending.
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') {
        return message + '.';
    }
    return message;
}

} // namespace dopplex
