// ParseInteger on arbitrary text; every accepted value must survive FormatInteger and back.
#include "base/numtext.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::int32_t n = 0;
    try {
        n = dopplex::ParseInteger(text);
    } catch (const dopplex::EConvertError&) {
        return 0;
    }
    if (dopplex::ParseInteger(dopplex::FormatInteger(n)) != n) {
        std::abort();
    }
    return 0;
}
