// The CAT radio's lines of a scenario ("set radio", "knob") and what its sides add to the trace.
#include "cat_trace.h"

#include "json_text.h"

#include <charconv>
#include <cmath>
#include <ostream>
#include <stdexcept>

namespace dopplex {

namespace {

// The address a model radio's status lines name.
const CatAddress kModelAddress{"model", 4532, ""};
constexpr std::int64_t kLongestEachWayMs = 10000;
constexpr std::int64_t kLargestKnobTurnHz = 10'000'000;

const char* side_key(Side side) {
    return side == Side::Rx ? "rx" : "tx";
}

std::optional<Side> side_of(const std::string& word) {
    if (word == "rx" || word == "tx") {
        return word == "rx" ? Side::Rx : Side::Tx;
    }
    return std::nullopt;
}

// True when `word` is a whole decimal number from `min` to `max`.
bool read_number(const std::string& word, std::int64_t min, std::int64_t max, std::int64_t& value) {
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    return ec == std::errc() && end == word.data() + word.size() && value >= min && value <= max;
}

std::string hz_json(std::optional<double> hz) {
    return hz ? std::to_string(std::llround(*hz)) : std::string("null");
}

const char* took_name(bench::ModelRigctld::Took took) {
    switch (took) {
    case bench::ModelRigctld::Took::Set:
        return "set";
    case bench::ModelRigctld::Took::Read:
        return "read";
    case bench::ModelRigctld::Took::Knob:
        return "knob";
    }
    return "";
}

} // namespace

void ParseRadioSetting(const std::string& value, int line, Scenario& scenario) {
    const std::size_t blank = value.find(' ');
    const std::optional<Side> side = side_of(value.substr(0, blank));
    const std::string radio = blank == std::string::npos ? "" : value.substr(blank + 1);
    if (!side || radio.empty()) {
        throw ScenarioError(line, "radio takes rx or tx, then buttons, cat:model[:EACH_WAY_MS] "
                                  "or cat:HOST:PORT[:VFO]");
    }
    std::optional<ScenarioRadio>& slot = scenario.radios[static_cast<std::size_t>(*side)];
    const std::string model = "cat:model";
    if (radio == model || radio.starts_with(model + ":")) {
        ScenarioRadio chosen{line};
        if (radio != model) {
            const std::string ms = radio.substr(model.size() + 1);
            if (!read_number(ms, 0, kLongestEachWayMs, chosen.each_way_ms)) {
                throw ScenarioError(line, "'" + ms +
                                              "' is not a model radio's time each way (0 to " +
                                              std::to_string(kLongestEachWayMs) + " ms)");
            }
        }
        slot = chosen;
        return;
    }
    try {
        if (parse_side_radio(radio)) {
            throw ScenarioError(line, "a live rigctld answers in real time; the scenario runner "
                                      "runs in virtual time: use cat:model");
        }
    } catch (const std::invalid_argument& e) {
        throw ScenarioError(line, e.what());
    }
    slot.reset();
}

KnobTurn ParseKnobTurn(const std::string& words, int line) {
    const std::size_t blank = words.find(' ');
    const std::optional<Side> side = side_of(words.substr(0, blank));
    const std::string hz = blank == std::string::npos ? "" : words.substr(blank + 1);
    KnobTurn turn{};
    if (!side || !read_number(hz, -kLargestKnobTurnHz, kLargestKnobTurnHz, turn.hz)) {
        throw ScenarioError(line, "knob takes rx or tx, then a whole number of Hz (-" +
                                      std::to_string(kLargestKnobTurnHz) + " to " +
                                      std::to_string(kLargestKnobTurnHz) + ")");
    }
    turn.side = *side;
    return turn;
}

void CheckRadios(const Scenario& scenario) {
    for (const std::optional<ScenarioRadio>& radio : scenario.radios) {
        if (radio && scenario.tracking != TrackingMode::Closed) {
            throw ScenarioError(radio->line,
                                "a CAT radio follows the closed loop: set tracking closed");
        }
    }
    for (const ScenarioStep& step : scenario.steps) {
        if (step.verb != "knob") {
            continue;
        }
        const Side side = ParseKnobTurn(step.text, step.line).side;
        if (!scenario.radios[static_cast<std::size_t>(side)]) {
            throw ScenarioError(step.line, std::string("the ") + side_name(side) +
                                               " side has no radio with a knob: set radio " +
                                               side_key(side) + " cat:model");
        }
    }
}

CatTrace::Plugged::Plugged(EventLoop& loop, Side s, std::int64_t each_way_ms, SideTarget& target)
    : daemon(loop, each_way_ms), side(loop, s, kModelAddress, daemon, target) {
    daemon.attach(side);
}

CatTrace::CatTrace(std::ostream& out, EventLoop& loop, ClosedLoop& closed,
                   const std::array<std::optional<ScenarioRadio>, 2>& radios)
    : out_(out), host_(loop.host()), closed_(closed), target_(closed) {
    for (Side side : {Side::Rx, Side::Tx}) {
        const auto i = static_cast<std::size_t>(side);
        if (!radios[i]) {
            continue;
        }
        plugged_[i] = std::make_unique<Plugged>(loop, side, radios[i]->each_way_ms, target_);
        plugged_[i]->side.add_observer(this);
        plugged_[i]->daemon.on_took([this, side](bench::ModelRigctld::Took took, std::int64_t t,
                                                 std::optional<double> hz) {
            out_ << "{\"t\":" << t << ",\"radio\":{\"side\":\"" << side_key(side)
                 << "\",\"took\":\"" << took_name(took) << "\",\"hz\":" << hz_json(hz) << "}}\n";
        });
        closed_.set_radio(side, &plugged_[i]->side);
    }
}

CatTrace::~CatTrace() {
    for (Side side : {Side::Rx, Side::Tx}) {
        if (plugged_[static_cast<std::size_t>(side)]) {
            closed_.set_radio(side, nullptr);
        }
    }
}

void CatTrace::turn_knob_at(Side side, std::int64_t t, double delta_hz) {
    const auto& plugged = plugged_[static_cast<std::size_t>(side)];
    if (!plugged) {
        throw std::logic_error("the side has no model radio");
    }
    plugged->daemon.turn_knob_at(t, delta_hz);
}

void CatTrace::dump() const {
    bool first = true;
    for (Side side : {Side::Rx, Side::Tx}) {
        const auto& plugged = plugged_[static_cast<std::size_t>(side)];
        if (!plugged) {
            continue;
        }
        out_ << (first ? ",\"cat\":{\"" : ",\"") << side_key(side)
             << "\":{\"hz\":" << hz_json(plugged->daemon.frequency_at(host_.now()))
             << ",\"status\":" << json_string(plugged->side.status()) << "}";
        first = false;
    }
    if (!first) {
        out_ << "}";
    }
}

void CatTrace::cat_status(Side side, const std::string& line) {
    write(side, "status", line);
}

void CatTrace::cat_report(Side side, const std::string& line) {
    write(side, "report", line);
}

void CatTrace::write(Side side, const char* key, const std::string& text) const {
    out_ << "{\"t\":" << host_.now() << ",\"cat\":{\"side\":\"" << side_key(side) << "\",\"" << key
         << "\":" << json_string(text) << "}}\n";
}

} // namespace dopplex
