// The benchmark's table: every pass kind at every step in both modes, as Markdown for the README
// and as JSON lines for machines. A row the engine cannot fly says why instead of a figure.
#pragma once

#include "outcome.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace dopplex::bench {

enum class RowStatus { Measured, NotOffered, NotBuilt };

struct OutcomeRow {
    const PassKind* kind; // none: a feed of its own
    std::string label;
    RunSettings settings;
    RowStatus status;
    std::optional<Outcome> outcome; // when measured
};

// The steps of the table, each in both modes: 25 Hz with 60 / 60 ms presses, 100, 1000, 5000.
std::vector<RunSettings> table_settings();

OutcomeRow run_row(const PassKind& kind, const RunSettings& settings);
std::vector<OutcomeRow> run_table();
// The closed loop on uneven and recorded feeds, starting itself at AOS. `gpredict_feed`: the
// recorded Gpredict session's file.
std::vector<OutcomeRow> run_feed_table(const std::string& gpredict_feed);

void write_markdown(std::ostream& out, const std::vector<OutcomeRow>& rows);
// With the presses against the Doppler's direction and the time from AOS to within a step.
void write_feed_markdown(std::ostream& out, const std::vector<OutcomeRow>& rows);
void write_json_lines(std::ostream& out, const std::vector<OutcomeRow>& rows);

} // namespace dopplex::bench
