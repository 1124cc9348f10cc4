// The closed loop's "set" lines of a scenario and what the loop adds to its trace.
#include "loop_trace.h"
#include "scenario.h"

#include "base/numtext.h"

#include <charconv>
#include <ostream>
#include <stdexcept>

namespace dopplex {

namespace {

Side side_word(const std::string& word, const std::string& name, int line) {
    if (word != "rx" && word != "tx") {
        throw ScenarioError(line, name + " takes rx or tx, then a number");
    }
    return word == "rx" ? Side::Rx : Side::Tx;
}

std::int64_t number_word(const std::string& word, int line) {
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc() || end != word.data() + word.size()) {
        throw ScenarioError(line, "'" + word + "' is not a whole number");
    }
    return value;
}

bool on_off(const std::string& word, int line) {
    if (word != "on" && word != "off") {
        throw ScenarioError(line, "start_at_aos takes on or off");
    }
    return word == "on";
}

// The trace's lower-case word for a side.
const char* side_key(Side side) {
    return side == Side::Rx ? "rx" : "tx";
}

} // namespace

void ParseLoopSetting(const std::string& name, const std::string& value, int line,
                      Scenario& scenario) {
    const std::size_t blank = value.find(' ');
    const std::string first = value.substr(0, blank);
    const std::string second = blank == std::string::npos ? "" : value.substr(blank + 1);
    LoopSettings& loop = scenario.loop;
    try {
        if (name == "tracking") {
            if (!parse_tracking_mode(value, scenario.tracking)) {
                throw ScenarioError(line, "tracking takes closed or classic");
            }
        } else if (name == "step") {
            LoopSide& side = loop.side(side_word(first, name, line));
            const std::int64_t hz = number_word(second, line);
            check_step(hz);
            side.step_hz = hz;
        } else if (name == "press_ms" || name == "gap_ms") {
            LoopSide& side = loop.side(side_word(first, name, line));
            const std::int64_t ms = number_word(second, line);
            check_press_ms(ms);
            (name == "press_ms" ? side.press_ms : side.gap_ms) = ms;
        } else if (name == "start_at_aos") {
            loop.start_at_aos = on_off(value, line);
        } else if (name == "lock") {
            if (!parse_offset_lock(value, loop.lock)) {
                throw ScenarioError(line, "lock takes off, inverting or noninverting");
            }
        } else {
            throw ScenarioError(line, "'" + name + "' cannot be set");
        }
    } catch (const std::invalid_argument& e) {
        throw ScenarioError(line, e.what());
    }
}

void LoopTrace::loop_pressed(const LoopPress& p) {
    out_ << "{\"t\":" << p.t << ",\"press\":{\"side\":\"" << side_key(p.side)
         << "\",\"direction\":\"" << (p.direction == PressDirection::Up ? "up" : "down")
         << "\",\"source\":\"" << press_origin_name(p.origin)
         << "\",\"dial_hz\":" << FormatGeneral(p.dial_hz) << "}}\n";
}

void LoopTrace::loop_behind(Side side, int steps) {
    out_ << "{\"t\":" << host_.now() << ",\"behind\":{\"side\":\"" << side_key(side)
         << "\",\"steps\":" << steps << "}}\n";
}

void LoopTrace::loop_tuning_ahead(Side side, std::int64_t aos_in_ms) {
    out_ << "{\"t\":" << host_.now() << ",\"ahead\":{\"side\":\"" << side_key(side)
         << "\",\"aos_in_ms\":" << aos_in_ms << "}}\n";
}

void LoopTrace::loop_late_press(Side side, std::int64_t held_ms) {
    out_ << "{\"t\":" << host_.now() << ",\"late_press\":{\"side\":\"" << side_key(side)
         << "\",\"held_ms\":" << held_ms << "}}\n";
}

void LoopTrace::loop_reach(Side side, bool in_reach, double heard_hz) {
    out_ << "{\"t\":" << host_.now() << ",\"reach\":{\"side\":\"" << side_key(side)
         << "\",\"in_reach\":" << (in_reach ? "true" : "false")
         << ",\"heard_hz\":" << static_cast<std::int64_t>(heard_hz) << "}}\n";
}

void LoopTrace::dump(const ClosedLoop& loop) const {
    out_ << ",\"loop\":{";
    for (Side side : {Side::Rx, Side::Tx}) {
        const LoopSideState& s = loop.state(side);
        const auto number = [](const std::optional<double>& v) {
            return v ? FormatGeneral(*v) : std::string("null");
        };
        out_ << (side == Side::Tx ? "," : "") << "\"" << side_key(side)
             << "\":{\"tracking\":" << (s.tracking ? "true" : "false")
             << ",\"dial_hz\":" << number(s.dial_hz) << ",\"target_hz\":" << number(s.target_hz)
             << ",\"offset_hz\":" << FormatGeneral(s.offset_hz) << ",\"behind\":" << s.behind_steps
             << ",\"late_presses\":" << s.late_presses << "}";
    }
    out_ << "}";
}

} // namespace dopplex
