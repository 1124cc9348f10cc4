// Where a CAT receiver sits over the steepest 90 s of an overhead 70 cm pass (420 km, 85°,
// 437.8 MHz), fed as Gpredict feeds dopplexd (one update a second with the frequency of that
// second), against a model rigctld with a settable latency and 1 Hz resolution: through the
// closed loop's prediction (the CAT side), and as a 1 s cycle without prediction sets it (each
// update's frequency sent as it arrives). Sampled every 10 ms (every phase of the cycles), in
// virtual time.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace dopplex::bench {

enum class CatController { Predicted, EverySecond };

struct CatOutcome {
    CatController controller = CatController::Predicted;
    std::int64_t each_way_ms = 0;
    int sets_per_s = 5;
    double p95_hz = 0;   // 95 % of the samples are this close to the Doppler frequency
    double worst_hz = 0; // and none further off
    int false_knobs = 0;
    // A +1000 Hz turn at the closest approach: the radio less the Doppler frequency 4 s later,
    // and the furthest it strays from Doppler + 1000 Hz after that (none: not measured).
    std::optional<double> knob_after_4s_hz;
    std::optional<double> knob_strays_hz;
};

CatOutcome run_cat(CatController controller, std::int64_t each_way_ms, int sets_per_s);
std::vector<CatOutcome> run_cat_table();
void write_cat_markdown(std::ostream& out, const std::vector<CatOutcome>& rows);

} // namespace dopplex::bench
