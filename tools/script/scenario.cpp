#include "scenario.h"

#include "base/numtext.h"
#include "bounded_line.h"
#include "cat_trace.h"
#include "classic/field_table.h"
#include "classic/tfmain.h"
#include "json_text.h"
#include "keying/recording_port.h"
#include "loop_trace.h"
#include "runtime/event_loop.h"
#include "runtime/virtual_host.h"

#include <charconv>
#include <istream>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>

namespace dopplex {

const char* const kScenarioHelp = R"(Scenario format (one command per line):
  # comment; blank lines ignored; times are virtual milliseconds, non-decreasing
  at <ms> tracking <text>     the tracker's item changes to <text> (rest of the line, may be empty)
  at <ms> click <Control>     operator click (Button*, SpeedButton1, CheckBox*, RadioButton*, l_dd)
  at <ms> click Stop          the Stop button (or Esc): out of band, at exactly <ms>, it cuts the
                              running pulse train before any write of that moment; no train, no
                              effect
  at <ms> type <Edit> <text>  operator replaces the text of an edit (rest of the line)
  at <ms> key <code>          key-down with that virtual key code, through the application hook
  at <ms> syskey <code>       system key-down (a key pressed with Alt)
  at <ms> link open|close     the tracker link opens or ends
  at <ms> dump                print the state as the clock reaches <ms>
  at <ms> knob rx|tx <Hz>     the operator turns a cat:model radio's knob by <Hz> (signed)
  set report_ms <ms>          how long an error report stays open (default 0)
  set tracking closed|classic the tracking mode (default classic, the original's)
  set step rx|tx <Hz>         a side's step in closed mode: 10, 25, 100 (default), 1000, 2500,
                              5000, 6250 or 12500
  set press_ms rx|tx <ms>     how long a closed-mode press holds its line (30 to 1000, default
                              200)
  set gap_ms rx|tx <ms>       how long its line stays low before the next press (30 to 1000,
                              default 200)
  set start_at_aos on|off     both loops start by themselves at AOS, the dials at the references
  set lock off|inverting|noninverting
                              an RX offset change moves the TX offset by the opposite or the same
  set radio rx|tx buttons|cat:model[:<ms>]
                              a side's radio in closed mode: its push buttons (default), or a CAT
                              radio behind a model of rigctld in virtual time, <ms> each way
                              (default 20, up to 10000) between the side and the radio; its
                              status lines call it model:4532. A live rigctld (cat:HOST:PORT)
                              is refused: it answers in real time, the runner runs in virtual
                              time
  until <ms>                  run to that virtual time, print a final dump
Without "until" the run ends at the time of the last command. No timer ticks after the end; a
handler that runs past it finishes first. Times and report_ms go up to 1000000000 (about 11
days). "click SpeedButton1" (Exit) lowers every line, closes the window and ends the run there:
its timers stop, later commands and "until" are ignored, and the final dump is of that moment.
Output, one JSON object per line, in time order:
  {"t":<ms>,"port":<byte>}    every port write (address 888, after the "Enable hardware" gate)
  {"t":<ms>,"report":"<text>"} every error report, as shown
  {"t":<ms>,"report_held":"<text>","as":"repeat|queued|dropped|after_close"}
                              an error raised while a report was open: it repeats a text open
                              or waiting, waits to be shown, or did not fit into the queue; or
                              raised again by an update or a tick within 10 s of its close
  {"t":<ms>,"dump":{...}}     controls, memo lines, channel flags, running timers, last Doppler values
                              and, in closed mode, "loop": each side's dial, target, offset, behind;
                              with a cat:model radio, "cat": its frequency and its side's status
In closed mode also:
  {"t":<ms>,"press":{"side":"rx|tx","direction":"up|down","source":"loop|manual|reset",
   "dial_hz":<Hz>}}           every press as its line rises, with the dial it counts
  {"t":<ms>,"behind":{"side":"rx|tx","steps":<n>}}
                              the side cannot keep up by n steps; 0 once it has caught up
  {"t":<ms>,"late_press":{"side":"rx|tx","held_ms":<ms>}}
                              a press held longer than its length plus 100 ms
  {"t":<ms>,"radio":{"side":"rx|tx","took":"set|read|knob","hz":<Hz>}}
                              a model radio takes a set, answers a readback (null before its
                              first set) or has its knob turned: its frequency then
  {"t":<ms>,"cat":{"side":"rx|tx","status|report":"<text>"}}
                              a CAT side's status line as it changes, and what it reports
and "click Stop" also halts both loops at once, their lines low.
)";

namespace {

// About eleven days: any pass fits, and no time of a run comes near the clock's range.
constexpr std::int64_t kLongestRunMs = 1'000'000'000;

// True when `word` is a whole decimal number from 0 to `max`.
bool read_whole(const std::string& word, std::int64_t max, std::int64_t& value) {
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    return ec == std::errc() && end == word.data() + word.size() && value >= 0 && value <= max;
}

std::int64_t parse_ms(const std::string& word, int line) {
    std::int64_t value = 0;
    if (read_whole(word, kLongestRunMs, value)) {
        return value;
    }
    const bool digits = !word.empty() && word.find_first_not_of("0123456789") == std::string::npos;
    throw ScenarioError(
        line, "'" + word +
                  (digits ? "' is beyond the longest run, " + std::to_string(kLongestRunMs) + " ms"
                          : "' is not a time in milliseconds"));
}

// Splits off the first blank-separated word; `rest` keeps everything after one blank.
std::string take_word(std::string& rest) {
    const std::size_t end = rest.find(' ');
    std::string word = rest.substr(0, end);
    rest = end == std::string::npos ? "" : rest.substr(end + 1);
    return word;
}

const std::set<std::string>& clickable_names() {
    static const std::set<std::string> names = [] {
        std::set<std::string> n{"l_dd", "Stop"};
        for (const FieldSpec& f : field_table()) {
            if (f.name.starts_with("Button") || f.name.starts_with("CheckBox") ||
                f.name.starts_with("RadioButton") || f.name == "SpeedButton1") {
                n.insert(std::string(f.name));
            }
        }
        return n;
    }();
    return names;
}

bool is_edit_name(const std::string& name) {
    if (!name.starts_with("Edit")) {
        return false;
    }
    int n = 0;
    auto [end, ec] = std::from_chars(name.data() + 4, name.data() + name.size(), n);
    return ec == std::errc() && end == name.data() + name.size() && n >= 1 && n <= 25;
}

ScenarioStep parse_at(std::string rest, int line) {
    ScenarioStep step;
    step.line = line;
    step.t = parse_ms(take_word(rest), line);
    step.verb = take_word(rest);
    if (step.verb == "tracking") {
        step.text = rest;
    } else if (step.verb == "click") {
        step.target = rest;
        if (!clickable_names().count(step.target)) {
            throw ScenarioError(line, "'" + step.target + "' is not a control that takes a click");
        }
    } else if (step.verb == "type") {
        step.target = take_word(rest);
        if (!is_edit_name(step.target)) {
            throw ScenarioError(line, "'" + step.target + "' is not an edit field");
        }
        step.text = rest;
    } else if (step.verb == "key" || step.verb == "syskey") {
        step.target = rest;
        std::int64_t code = 0;
        if (!read_whole(rest, 255, code)) {
            throw ScenarioError(line, "'" + rest + "' is not a virtual key code (0 to 255)");
        }
    } else if (step.verb == "dump") {
        if (!rest.empty()) {
            throw ScenarioError(line, "dump takes no argument");
        }
    } else if (step.verb == "link") {
        if (rest != "open" && rest != "close") {
            throw ScenarioError(line, "link takes open or close");
        }
        step.target = rest;
    } else if (step.verb == "knob") {
        ParseKnobTurn(rest, line);
        step.text = rest;
    } else {
        throw ScenarioError(line, "unknown command '" + step.verb + "'");
    }
    return step;
}

} // namespace

Scenario ParseScenario(std::istream& in) {
    Scenario scenario;
    std::string text;
    int line = 0;
    std::int64_t last_t = 0;
    for (tools::LineRead read;
         (read = tools::read_bounded_line(in, text)) != tools::LineRead::End;) {
        ++line;
        if (read == tools::LineRead::TooLong) {
            throw ScenarioError(line, "longer than " + std::to_string(tools::kMaxInputLineBytes) +
                                          " bytes");
        }
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        const std::size_t first = text.find_first_not_of(' ');
        if (first == std::string::npos || text[first] == '#') {
            continue;
        }
        std::string rest = text.substr(first);
        const std::string command = take_word(rest);
        if (command == "at") {
            ScenarioStep step = parse_at(rest, line);
            if (step.t < last_t) {
                throw ScenarioError(line, "time goes backwards");
            }
            last_t = step.t;
            scenario.steps.push_back(std::move(step));
        } else if (command == "set") {
            const std::string name = take_word(rest);
            if (name == "report_ms") {
                scenario.report_ms = parse_ms(rest, line);
            } else if (name == "radio") {
                ParseRadioSetting(rest, line, scenario);
            } else {
                ParseLoopSetting(name, rest, line, scenario);
            }
        } else if (command == "until") {
            scenario.until = parse_ms(rest, line);
            if (scenario.until < last_t) {
                throw ScenarioError(line, "until lies before the last command");
            }
        } else {
            throw ScenarioError(line, "unknown command '" + command + "'");
        }
    }
    CheckRadios(scenario);
    return scenario;
}

namespace {

const char* const kChannelNames[kChannelCount] = {"RxUp", "RxDown", "RxTuned", "GreenLed",
                                                  "TxUp", "TxDown", "TxTuned", "AuxChannel"};

const char* json_bool(bool b) {
    return b ? "true" : "false";
}

void write_dump(std::ostream& out, std::int64_t t, const TFMain& form, const LoopTrace* loop,
                const CatTrace* cat) {
    out << "{\"t\":" << t << ",\"dump\":{\"controls\":{";
    bool first = true;
    for (const Control* c : form.controls()) {
        out << (first ? "" : ",") << json_string(c->name())
            << ":{\"text\":" << json_string(c->text()) << ",\"enabled\":" << json_bool(c->enabled())
            << ",\"visible\":" << json_bool(c->visible())
            << ",\"checked\":" << json_bool(c->checked());
        if (c->kind() == ControlKind::Memo) {
            out << ",\"lines\":[";
            for (std::size_t i = 0; i < c->lines().size(); ++i) {
                out << (i ? "," : "") << json_string(c->lines()[i]);
            }
            out << "]";
        }
        out << "}";
        first = false;
    }
    out << "},\"flags\":{";
    for (int bit = 0; bit < kChannelCount; ++bit) {
        out << (bit ? "," : "") << "\"" << kChannelNames[bit]
            << "\":" << json_bool(form.latch.flag(static_cast<Channel>(bit)));
    }
    out << "},\"timers\":[";
    first = true;
    for (int id = 0; id < EventLoop::kTimerCount; ++id) {
        if (form.timer_running(id)) {
            out << (first ? "" : ",") << "\"Timer" << id + 1 << "\"";
            first = false;
        }
    }
    out << "],\"focused\":" << json_string(form.focused())
        << ",\"LastRxDoppler\":" << FormatGeneral(form.LastRxDoppler)
        << ",\"LastTxDoppler\":" << FormatGeneral(form.LastTxDoppler);
    if (loop) {
        loop->dump(form.closed_loop);
    }
    if (cat) {
        cat->dump();
    }
    out << "}}\n";
}

} // namespace

void RunScenario(const Scenario& scenario, std::ostream& out) {
    CheckRadios(scenario);
    VirtualHost host;
    host.set_report_ms(scenario.report_ms);
    EventLoop loop(host);
    RecordingPort port(host);
    TFMain form(loop, port);

    port.on_write([&](const PortWrite& w) {
        out << "{\"t\":" << w.t << ",\"port\":" << static_cast<int>(w.value) << "}\n";
    });
    host.on_report([&](const VirtualHost::Report& r) {
        out << "{\"t\":" << r.t << ",\"report\":" << json_string(r.text) << "}\n";
    });
    host.on_held([&](const VirtualHost::Held& h) {
        out << "{\"t\":" << h.t << ",\"report_held\":" << json_string(h.text) << ",\"as\":\""
            << ReportHoldName(h.how) << "\"}\n";
    });

    // Exit closes the window: its timers go with it and the run ends, so nothing after the
    // last line lowered moves a line.
    form.on_close = [&loop] {
        for (int id = 0; id < EventLoop::kTimerCount; ++id) {
            loop.timers().stop(id);
        }
        loop.quit();
    };

    LoopTrace loop_trace(out, host);
    const LoopTrace* closed = nullptr;
    std::optional<CatTrace> cat;
    if (scenario.tracking == TrackingMode::Closed) {
        form.SetTrackingMode(TrackingMode::Closed);
        form.closed_loop.configure(scenario.loop);
        form.closed_loop.add_observer(&loop_trace);
        closed = &loop_trace;
        cat.emplace(out, loop, form.closed_loop, scenario.radios);
    }

    loop.guarded([&] { form.FormCreate(); });

    for (const ScenarioStep& step : scenario.steps) {
        if (step.verb == "click" && step.target == "Stop") {
            host.stop_at(step.t);
            if (closed) {
                loop.post(
                    EventKind::Control,
                    [&form] {
                        for (Side side : {Side::Rx, Side::Tx}) {
                            form.closed_loop.stop(side);
                        }
                    },
                    step.t);
            }
        } else if (step.verb == "tracking") {
            loop.post(
                EventKind::Link,
                [&form, text = step.text] {
                    // The item's own change rule: an empty text keeps the previous one.
                    form.TrackingDataEx.receive(text);
                },
                step.t);
        } else if (step.verb == "click") {
            loop.post(
                EventKind::Input, [&form, name = step.target] { form.Click(name); }, step.t);
        } else if (step.verb == "type") {
            loop.post(
                EventKind::Input,
                [&form, name = step.target, text = step.text] { form.Type(name, text); }, step.t);
        } else if (step.verb == "key" || step.verb == "syskey") {
            const int code = std::stoi(step.target);
            const bool sys = step.verb == "syskey";
            loop.post(
                EventKind::Input,
                [&form, code, sys] { sys ? form.SysKeyDown(code) : form.KeyDown(code); }, step.t);
        } else if (step.verb == "link") {
            const bool open = step.target == "open";
            loop.post(
                EventKind::Link,
                [&form, open] { open ? form.TrackingOpen() : form.TrackingClose(); }, step.t);
        } else if (step.verb == "knob") {
            const KnobTurn turn = ParseKnobTurn(step.text, step.line);
            cat->turn_knob_at(turn.side, step.t, static_cast<double>(turn.hz));
        } else if (step.verb == "dump") {
            host.probe_at(step.t, [&out, &form, &host, closed, &cat] {
                write_dump(out, host.now(), form, closed, cat ? &*cat : nullptr);
            });
        }
    }

    const std::int64_t end = scenario.until >= 0
                                 ? scenario.until
                                 : (scenario.steps.empty() ? 0 : scenario.steps.back().t);
    // Ticks that a busy handler leaves overdue would otherwise never let the run reach its end.
    loop.timers().set_last_due(end);
    loop.run(end);
    write_dump(out, host.now(), form, closed, cat ? &*cat : nullptr);
}

} // namespace dopplex
