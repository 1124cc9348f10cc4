#include "base/numtext.h"

#include <charconv>
#include <cstdint>

namespace dopplex {
namespace {

constexpr int kMaxHexDigits = 8;

[[noreturn]] void Fail(const std::string& text) {
    throw EConvertError("'" + text + "' is not a valid integer value");
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

std::int32_t ParseInteger(const std::string& text) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    bool hex = false;
    if (i < n) {
        const char c = text[i];
        if (c == '-' || c == '+') {
            negative = c == '-';
            ++i;
        } else if (c == '$' || c == 'x' || c == 'X') {
            hex = true;
            ++i;
        } else if (c == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
            hex = true;
            i += 2;
        }
    }
    if (i == n) {
        Fail(text);
    }

    if (hex) {
        std::uint32_t bits = 0;
        int significant = 0;
        for (; i < n; ++i) {
            const int digit = HexValue(text[i]);
            if (digit < 0) {
                Fail(text);
            }
            if ((significant > 0 || digit != 0) && ++significant > kMaxHexDigits) {
                Fail(text);
            }
            bits = bits << 4 | static_cast<std::uint32_t>(digit);
        }
        return static_cast<std::int32_t>(bits); // the 32 bits as a signed value
    }

    constexpr std::int64_t kLimit = std::int64_t{1} << 31; // magnitude of the smallest value
    std::int64_t magnitude = 0;
    for (; i < n; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            Fail(text);
        }
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kLimit) {
            Fail(text);
        }
    }
    if (!negative && magnitude == kLimit) {
        Fail(text);
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::string FormatInteger(std::int32_t n) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, n);
    return std::string(buffer, result.ptr);
}

} // namespace dopplex
