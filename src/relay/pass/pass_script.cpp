#include "pass/pass_script.h"

#include "bounded_line.h"
#include "pass/tracking_text.h"

#include <cmath>
#include <istream>
#include <ostream>
#include <stdexcept>

namespace dopplex::tracker {

std::string aos_text(std::time_t utc) {
    std::tm parts{};
#ifdef _WIN32
    gmtime_s(&parts, &utc);
#else
    gmtime_r(&utc, &parts);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

std::string tracking_text(const Satellite& satellite, const LookAngles& look,
                          const std::string& aos) {
    return compose_tracking_text({satellite.name, look.azimuth_deg, look.elevation_deg,
                                  received_downlink_hz(satellite.downlink_hz, look.range_rate_m_s),
                                  corrected_uplink_hz(satellite.uplink_hz, look.range_rate_m_s),
                                  satellite.uplink_mode, satellite.downlink_mode, aos});
}

std::vector<Update> generate_passes(const Satellite& satellite, const Schedule& schedule) {
    const PassModel model(satellite.pass);
    const double step_s = schedule.interval_ms / 1000.0;
    const double start_s = model.aos_s() - schedule.lead_in_s;
    const double end_s = model.time_after_culmination(-2.0);
    const auto end_index = static_cast<long long>(std::ceil((end_s - start_s) / step_s));
    const long long per_pass = end_index + 1 + schedule.tail_updates;
    if (per_pass * schedule.passes > kMaxUpdates) {
        throw std::invalid_argument("the passes would take more than " +
                                    std::to_string(kMaxUpdates) +
                                    " updates: give a longer --interval or fewer --passes");
    }

    std::vector<Update> updates;
    for (int pass = 0; pass < schedule.passes; ++pass) {
        const long long first = pass * per_pass;
        const std::time_t aos_utc =
            schedule.first_aos_utc + static_cast<std::time_t>(first * schedule.interval_ms / 1000);
        const std::string this_aos = aos_text(aos_utc);
        const std::string next_aos =
            pass + 1 < schedule.passes
                ? aos_text(aos_utc +
                           static_cast<std::time_t>(per_pass * schedule.interval_ms / 1000))
                : std::string();
        for (long long k = 0; k < per_pass; ++k) {
            double t = start_s + static_cast<double>(k) * step_s;
            if (k == end_index) {
                t = end_s;
            } else if (k > end_index) {
                t = end_s + static_cast<double>(k - end_index) * step_s;
            }
            const std::string& aos = t < model.los_s() ? this_aos : next_aos;
            updates.push_back({(first + k) * schedule.interval_ms,
                               tracking_text(satellite, model.look_at(t), aos)});
        }
    }
    return updates;
}

std::vector<Update> read_recording(std::istream& in) {
    std::vector<Update> updates;
    std::string line;
    long long number = 0;
    for (tools::LineRead read;
         (read = tools::read_bounded_line(in, line)) != tools::LineRead::End;) {
        ++number;
        if (read == tools::LineRead::TooLong) {
            throw std::runtime_error("line " + std::to_string(number) + ": longer than " +
                                     std::to_string(tools::kMaxInputLineBytes) + " bytes");
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        const std::size_t tab = line.find('\t');
        const std::string ms = line.substr(0, tab);
        const bool digits = !ms.empty() && ms.size() <= 15 &&
                            ms.find_first_not_of("0123456789") == std::string::npos;
        if (tab == std::string::npos || !digits) {
            throw std::runtime_error("line " + std::to_string(number) +
                                     ": expected milliseconds, a tab and the text");
        }
        const long long at = std::stoll(ms);
        if (!updates.empty() && at < updates.back().ms) {
            throw std::runtime_error("line " + std::to_string(number) + ": time goes back");
        }
        updates.push_back({at, line.substr(tab + 1)});
    }
    return updates;
}

void write_recording(std::ostream& out, const std::vector<Update>& updates) {
    for (const Update& update : updates) {
        out << update.ms << '\t' << update.text << '\n';
    }
}

} // namespace dopplex::tracker
