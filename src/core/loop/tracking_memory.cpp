#include "loop/tracking_memory.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace dopplex {

namespace {

struct SideValue {
    const char* name;
    std::int64_t LoopSide::*field;
    void (*check)(std::int64_t);
};
constexpr SideValue kSideValues[] = {
    {"StepHz", &LoopSide::step_hz, check_step},
    {"PressMs", &LoopSide::press_ms, check_press_ms},
    {"GapMs", &LoopSide::gap_ms, check_press_ms},
};

std::string side_prefix(Side side) {
    return side == Side::Rx ? "Rx" : "Tx";
}

// A satellite's name inside the offsets list: its separators and % written %XX.
std::string escape(const std::string& name) {
    std::string out;
    for (const char c : name) {
        if (c == '%' || c == ';' || c == '=' || c == ',') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::string unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned value = 0;
        if (text[i] == '%' && i + 2 < text.size() &&
            std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16).ptr ==
                text.data() + i + 3) {
            out += static_cast<char>(value);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::int64_t whole(const std::string& text) {
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        throw std::invalid_argument("'" + text + "' is not a whole number");
    }
    return value;
}

// "name=rx,tx;name=rx,tx", offsets in whole hertz.
std::map<std::string, std::array<double, 2>> read_offsets(const std::string& text) {
    std::map<std::string, std::array<double, 2>> offsets;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string entry = text.substr(start, end - start);
        const std::size_t equals = entry.find('=');
        const std::size_t comma = entry.find(',', equals == std::string::npos ? 0 : equals);
        if (equals == std::string::npos || comma == std::string::npos) {
            throw std::invalid_argument("'" + entry + "' is not name=rx,tx");
        }
        offsets[unescape(entry.substr(0, equals))] = {
            static_cast<double>(whole(entry.substr(equals + 1, comma - equals - 1))),
            static_cast<double>(whole(entry.substr(comma + 1)))};
        start = end + 1;
    }
    return offsets;
}

} // namespace

std::vector<std::pair<std::string, std::string>> memory_values(const TrackingMemory& memory) {
    std::vector<std::pair<std::string, std::string>> values{
        {"Tracking", tracking_mode_name(memory.mode)},
        {"StartAtAos", memory.loop.start_at_aos ? "on" : "off"},
        {"Lock", offset_lock_name(memory.loop.lock)},
    };
    for (Side side : {Side::Rx, Side::Tx}) {
        for (const SideValue& v : kSideValues) {
            values.emplace_back(side_prefix(side) + v.name,
                                std::to_string(memory.loop.side(side).*v.field));
        }
    }
    std::string offsets;
    for (const auto& [name, hz] : memory.offsets) {
        offsets += (offsets.empty() ? "" : ";") + escape(name) + "=" +
                   std::to_string(std::llround(hz[0])) + "," + std::to_string(std::llround(hz[1]));
    }
    values.emplace_back("Offsets", offsets);
    return values;
}

TrackingMemory
recall_memory(const std::function<std::optional<std::string>(const std::string&)>& value,
              std::vector<std::string>& problems) {
    TrackingMemory memory;
    // Each value on its own: a bad one costs only itself.
    const auto read = [&](const std::string& name,
                          const std::function<void(const std::string&)>& use) {
        const std::optional<std::string> text = value(name);
        if (!text) {
            return;
        }
        try {
            use(*text);
        } catch (const std::invalid_argument& e) {
            problems.push_back("The setting " + name + " is not used: " + e.what());
        }
    };
    read("Tracking", [&](const std::string& t) {
        if (!parse_tracking_mode(t, memory.mode)) {
            throw std::invalid_argument("'" + t + "' is neither closed nor classic");
        }
    });
    read("StartAtAos", [&](const std::string& t) {
        if (t != "on" && t != "off") {
            throw std::invalid_argument("'" + t + "' is neither on nor off");
        }
        memory.loop.start_at_aos = t == "on";
    });
    read("Lock", [&](const std::string& t) {
        if (!parse_offset_lock(t, memory.loop.lock)) {
            throw std::invalid_argument("'" + t + "' is not off, inverting or noninverting");
        }
    });
    for (Side side : {Side::Rx, Side::Tx}) {
        for (const SideValue& v : kSideValues) {
            read(side_prefix(side) + v.name, [&](const std::string& t) {
                const std::int64_t n = whole(t);
                v.check(n);
                memory.loop.side(side).*v.field = n;
            });
        }
    }
    read("Offsets", [&](const std::string& t) { memory.offsets = read_offsets(t); });
    return memory;
}

} // namespace dopplex
