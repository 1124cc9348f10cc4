#include "cat_outcome.h"

#include "cat/cat_side.h"
#include "cat/loop_target.h"
#include "loop_parts.h"
#include "model_rigctld.h"
#include "pass/pass_model.h"
#include "runtime/virtual_host.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace dopplex::bench {

namespace {

constexpr double kDownlinkHz = 437.8e6;
// Virtual time 0 is this long before the culmination; the window is the 90 s around it.
constexpr std::int64_t kLeadMs = 100'000;
constexpr std::int64_t kWindowFrom = kLeadMs - 45'000;
constexpr std::int64_t kWindowTo = kLeadMs + 45'000;
// Every phase of the set cycle alike: five samples a second at one phase would favour or wrong a
// controller by where its sets fall.
constexpr std::int64_t kSampleMs = 10;
constexpr double kKnobHz = 1000;

struct Pass {
    tracker::PassModel model{tracker::PassParameters{420, 85, 150}};
    double doppler(std::int64_t t) const {
        const double s = static_cast<double>(t - kLeadMs) / 1000;
        return tracker::received_downlink_hz(kDownlinkHz, model.look_at(s).range_rate_m_s);
    }
    double elevation(std::int64_t t) const {
        return model.look_at(static_cast<double>(t - kLeadMs) / 1000).elevation_deg;
    }
};

struct Counts : CatObserver {
    void cat_knob(Side, double) override { ++knobs; }
    int knobs = 0;
};

// The radio's frequency over time, whoever set it.
using RadioAt = std::function<std::optional<double>(std::int64_t)>;

void measure(const Pass& pass, const RadioAt& radio, bool turned, CatOutcome& out) {
    std::vector<double> off;
    for (std::int64_t t = kWindowFrom; t <= kWindowTo; t += kSampleMs) {
        const double shift = turned && t >= kLeadMs ? kKnobHz : 0;
        off.push_back(std::fabs(radio(t).value_or(0) - pass.doppler(t) - shift));
    }
    std::sort(off.begin(), off.end());
    out.p95_hz =
        off[static_cast<std::size_t>(std::ceil(0.95 * static_cast<double>(off.size()))) - 1];
    out.worst_hz = off.back();
}

void knob_outcome(const Pass& pass, const RadioAt& radio, CatOutcome& out) {
    out.knob_after_4s_hz = radio(kLeadMs + 4000).value_or(0) - pass.doppler(kLeadMs + 4000);
    double strays = 0;
    for (std::int64_t t = kLeadMs + 4000; t <= kWindowTo; t += kSampleMs) {
        strays = std::max(strays, std::fabs(radio(t).value_or(0) - pass.doppler(t) - kKnobHz));
    }
    out.knob_strays_hz = strays;
}

// One run; with `turn`, the operator turns the knob +1000 Hz at the closest approach.
CatOutcome fly_cat(const Pass& pass, CatController controller, std::int64_t each_way_ms,
                   int sets_per_s, bool turn) {
    VirtualHost host;
    EventLoop loop{host};
    ModelRigctld daemon(loop, each_way_ms);
    LoopParts parts(loop);
    ClosedLoop& closed = parts.closed;
    LoopTarget target(closed);
    CatSide side(loop, Side::Rx, CatAddress{"127.0.0.1", 4532, ""}, daemon, target,
                 CatSettings{sets_per_s, 1});
    Counts counts;
    side.add_observer(&counts);
    daemon.attach(side);
    // The 1 s cycle keeps its own radio: each update's frequency as it arrives, after the delay.
    std::vector<std::pair<std::int64_t, double>> every_second;
    for (std::int64_t t = 0; t <= kWindowTo + 1000; t += 1000) {
        const double hz = std::round(pass.doppler(t));
        loop.post(
            EventKind::Link,
            [&closed, &pass, t, hz] { closed.update("ISS", pass.elevation(t), hz, 145.99e6); }, t);
        every_second.push_back({t + each_way_ms, hz});
    }
    if (controller == CatController::Predicted) {
        loop.post(
            EventKind::Control, [&side] { side.follow(); }, 0);
    }
    if (turn) {
        daemon.turn_knob_at(kLeadMs, kKnobHz);
    }
    loop.run(kWindowTo + 1000);

    CatOutcome out;
    out.controller = controller;
    out.each_way_ms = each_way_ms;
    out.sets_per_s = sets_per_s;
    out.false_knobs = turn ? 0 : counts.knobs;
    const RadioAt radio =
        controller == CatController::Predicted
            ? RadioAt([&daemon](std::int64_t t) { return daemon.frequency_at(t); })
            : RadioAt([&every_second](std::int64_t t) {
                  std::optional<double> hz;
                  for (const auto& [at, v] : every_second) {
                      if (at <= t) {
                          hz = v;
                      }
                  }
                  return hz;
              });
    if (turn) {
        knob_outcome(pass, radio, out);
    } else {
        measure(pass, radio, false, out);
    }
    return out;
}

std::string hz(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", v);
    return text;
}

} // namespace

CatOutcome run_cat(CatController controller, std::int64_t each_way_ms, int sets_per_s) {
    const Pass pass;
    CatOutcome out = fly_cat(pass, controller, each_way_ms, sets_per_s, false);
    if (controller == CatController::Predicted) {
        const CatOutcome turned = fly_cat(pass, controller, each_way_ms, sets_per_s, true);
        out.knob_after_4s_hz = turned.knob_after_4s_hz;
        out.knob_strays_hz = turned.knob_strays_hz;
    }
    return out;
}

std::vector<CatOutcome> run_cat_table() {
    return {run_cat(CatController::Predicted, 0, 5), run_cat(CatController::Predicted, 250, 5),
            run_cat(CatController::Predicted, 0, 10), run_cat(CatController::EverySecond, 0, 1),
            run_cat(CatController::EverySecond, 250, 1)};
}

void write_cat_markdown(std::ostream& out, const std::vector<CatOutcome>& rows) {
    out << "| CAT receiver, 420 km 85° 437.8 MHz, steepest 90 s, every 10 ms | added each way, ms "
           "| 95 % within, Hz | largest off, Hz | false knob turns "
           "| knob +1000 Hz: off after 4 s / strays after, Hz |\n"
        << "|---|---|---|---|---|---|\n";
    for (const CatOutcome& r : rows) {
        out << "| "
            << (r.controller == CatController::Predicted
                    ? "CAT side (predicted, " + std::to_string(r.sets_per_s) + " sets/s)"
                    : std::string("1 s cycle without prediction"))
            << " | " << r.each_way_ms << " | " << hz(r.p95_hz) << " | " << hz(r.worst_hz) << " | "
            << (r.controller == CatController::Predicted ? std::to_string(r.false_knobs) : "-")
            << " | "
            << (r.knob_after_4s_hz ? hz(*r.knob_after_4s_hz) + " / " + hz(*r.knob_strays_hz) : "-")
            << " |\n";
    }
}

} // namespace dopplex::bench
