#include "outcome_table.h"

#include "feeds.h"

#include <cmath>
#include <cstdio>
#include <ostream>

namespace dopplex::bench {

namespace {

constexpr int kDefaultPressMs = 200; // both modes' press and gap unless set

const char* mode_name(Tracking tracking) {
    return tracking == Tracking::Classic ? "classic" : "closed";
}

const char* status_name(RowStatus status) {
    switch (status) {
    case RowStatus::Measured:
        return "measured";
    case RowStatus::NotOffered:
        return "not offered";
    default:
        return "not built";
    }
}

int press_ms(const RunSettings& s) {
    return s.tracking == Tracking::Closed && s.press_ms > 0 ? s.press_ms : kDefaultPressMs;
}

int gap_ms(const RunSettings& s) {
    return s.tracking == Tracking::Closed && s.gap_ms > 0 ? s.gap_ms : kDefaultPressMs;
}

// 4529 -> "4,529"; with `sign`, +4,400 and -100 (0 stays "0").
std::string grouped(double hz, bool sign = false) {
    const long long whole = std::llround(hz);
    const std::string digits = std::to_string(std::llabs(whole));
    std::string text;
    if (whole < 0 || (sign && whole > 0)) {
        text += whole < 0 ? '-' : '+';
    }
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            text += ',';
        }
        text += digits[i];
    }
    return text;
}

std::string fixed(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

void write_side_json(std::ostream& out, const SideOutcome& side) {
    out << "{\"max_hz\":" << fixed(side.max_hz) << ",\"rms_hz\":" << fixed(side.rms_hz)
        << ",\"after_reset_hz\":" << fixed(side.after_reset_hz) << "}";
}

} // namespace

std::vector<RunSettings> table_settings() {
    std::vector<RunSettings> settings;
    for (Tracking tracking : {Tracking::Classic, Tracking::Closed}) {
        settings.push_back({tracking, 25, 60, 60});
        for (int step : {100, 1000, 5000}) {
            settings.push_back({tracking, step, 0, 0});
        }
    }
    return settings;
}

OutcomeRow run_row(const PassKind& kind, const RunSettings& settings) {
    if (settings.tracking == Tracking::Classic && !classic_offers(settings.step_hz)) {
        return {&kind, kind.label, settings, RowStatus::NotOffered, std::nullopt};
    }
    if (settings.tracking == Tracking::Closed && !runner_knows_closed_loop()) {
        return {&kind, kind.label, settings, RowStatus::NotBuilt, std::nullopt};
    }
    return {&kind, kind.label, settings, RowStatus::Measured, fly(kind, settings)};
}

std::vector<OutcomeRow> run_table() {
    std::vector<OutcomeRow> rows;
    for (const RunSettings& settings : table_settings()) {
        for (const PassKind& kind : pass_kinds()) {
            rows.push_back(run_row(kind, settings));
        }
    }
    return rows;
}

std::vector<OutcomeRow> run_feed_table(const std::string& gpredict_feed) {
    const PassKind& high = pass_kinds().front(); // 420 km, 85°, 437.8 / 145.99 MHz
    const std::vector<Feed> feeds = {
        feed_of(high),
        jittered(high, 300),
        thinned(high),
        cycled(high, 2000),
        recorded_gpredict(gpredict_feed, "Gpredict 2.3, 84°, 437.8 / 145.99 MHz", 437.8e6,
                          145.99e6),
    };
    std::vector<OutcomeRow> rows;
    for (const Feed& feed : feeds) {
        for (int press : {0, 60}) {
            const RunSettings settings{Tracking::Closed, 100, press, press, true};
            if (!runner_knows_closed_loop()) {
                rows.push_back({nullptr, feed.label, settings, RowStatus::NotBuilt, std::nullopt});
                continue;
            }
            rows.push_back(
                {nullptr, feed.label, settings, RowStatus::Measured, fly(feed, settings)});
        }
    }
    return rows;
}

void write_markdown(std::ostream& out, const std::vector<OutcomeRow>& rows) {
    out << "| pass | mode | step, Hz | press / gap, ms | RX max / RMS off, Hz "
           "| TX max / RMS off, Hz | dial after Reset, RX / TX, Hz |\n"
        << "|---|---|---|---|---|---|---|\n";
    for (const OutcomeRow& row : rows) {
        const RunSettings& s = row.settings;
        out << "| " << row.label << " | " << mode_name(s.tracking) << " | " << grouped(s.step_hz)
            << " | " << press_ms(s) << " / " << gap_ms(s) << " | ";
        if (!row.outcome) {
            out << status_name(row.status) << " | | |\n";
            continue;
        }
        const Outcome& o = *row.outcome;
        out << grouped(o.rx.max_hz) << " / " << grouped(o.rx.rms_hz) << " | "
            << grouped(o.tx.max_hz) << " / " << grouped(o.tx.rms_hz) << " | "
            << grouped(o.rx.after_reset_hz, true) << " / " << grouped(o.tx.after_reset_hz, true)
            << (o.reports.empty() ? "" : " (error reports shown)") << " |\n";
    }
}

void write_feed_markdown(std::ostream& out, const std::vector<OutcomeRow>& rows) {
    out << "| feed | step, Hz | press / gap, ms | RX max / RMS off, Hz | TX max / RMS off, Hz "
           "| presses against the Doppler, RX / TX | AOS to within a step, RX / TX, s "
           "| dial after Reset, RX / TX, Hz |\n"
        << "|---|---|---|---|---|---|---|---|\n";
    const auto within = [](const SideOutcome& side) {
        return side.within_step_s ? fixed(*side.within_step_s) : std::string("never");
    };
    for (const OutcomeRow& row : rows) {
        const RunSettings& s = row.settings;
        out << "| " << row.label << " | " << grouped(s.step_hz) << " | " << press_ms(s) << " / "
            << gap_ms(s) << " | ";
        if (!row.outcome) {
            out << status_name(row.status) << " | | | | |\n";
            continue;
        }
        const Outcome& o = *row.outcome;
        out << grouped(o.rx.max_hz) << " / " << grouped(o.rx.rms_hz) << " | "
            << grouped(o.tx.max_hz) << " / " << grouped(o.tx.rms_hz) << " | " << o.rx.against
            << " / " << o.tx.against << " | " << within(o.rx) << " / " << within(o.tx) << " | "
            << grouped(o.rx.after_reset_hz, true) << " / " << grouped(o.tx.after_reset_hz, true)
            << (o.reports.empty() ? "" : " (error reports shown)") << " |\n";
    }
}

void write_json_lines(std::ostream& out, const std::vector<OutcomeRow>& rows) {
    for (const OutcomeRow& row : rows) {
        const RunSettings& s = row.settings;
        const tracker::Satellite& sat = row.kind->satellite;
        out << "{\"altitude_km\":" << sat.pass.altitude_km
            << ",\"max_elevation_deg\":" << sat.pass.max_elevation_deg
            << ",\"downlink_hz\":" << std::llround(sat.downlink_hz)
            << ",\"uplink_hz\":" << std::llround(sat.uplink_hz) << ",\"mode\":\""
            << mode_name(s.tracking) << "\",\"step_hz\":" << s.step_hz
            << ",\"press_ms\":" << press_ms(s) << ",\"gap_ms\":" << gap_ms(s) << ",\"status\":\""
            << status_name(row.status) << "\"";
        if (row.outcome) {
            out << ",\"rx\":";
            write_side_json(out, row.outcome->rx);
            out << ",\"tx\":";
            write_side_json(out, row.outcome->tx);
            out << ",\"reports\":[";
            for (std::size_t i = 0; i < row.outcome->reports.size(); ++i) {
                out << (i ? "," : "") << row.outcome->reports[i];
            }
            out << "]";
        }
        out << "}\n";
    }
}

} // namespace dopplex::bench
