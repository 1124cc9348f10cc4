#include "tracker/record/simulated_mark.h"

#include "tracker/record/key_value.h"

namespace dopplex {

std::string simulated_source(const std::string& text) {
    std::string upper = text;
    UpperCaseAscii(upper);
    return GetKeyValue(upper, kSimulatedKey);
}

std::string mark_simulated(const std::string& text, const std::string& kind) {
    if (!simulated_source(text).empty()) {
        return text;
    }
    return text + (text.empty() ? "" : " ") + kSimulatedKey + "\"" + kind + "\"";
}

} // namespace dopplex
