#include "base/numtext.h"
#include "classic/tfmain.h"
#include "tracker/record/tracking_record.h"

#include <utility>

namespace dopplex {

void TFMain::ParseSatData(std::string Text, TSatData& Record) {
    ParseTrackingRecord(std::move(Text), Record, AosText);
}

// The quantised fields are the engine's only view of the frequencies: each keeps the digits
// that make its step (for 100 MHz to 1 GHz: 100 Hz, 10 Hz, 1 kHz).
void TFMain::ShowSatData(TSatData Record) {
    l_na.set_text(Record.SatName);
    l_az.set_text(FormatFixed(Record.Azimuth, 4, 1));
    l_el.set_text(FormatFixed(Record.Elevation, 4, 1));
    l_uf.set_text(FormatFixed(Record.Uplink, 12, 0) + " Hz");
    l_df.set_text(FormatFixed(Record.Downlink, 12, 0) + " Hz");
    l_um.set_text(Record.UplinkMode);
    l_dm.set_text(Record.DownlinkMode);
    Edit2.set_text(FormatFixed(Record.Downlink, 7, 5));
    Edit10.set_text(FormatFixed(Record.Downlink, 8, 4));
    Edit11.set_text(FormatFixed(Record.Downlink, 6, 0));
    Edit9.set_text(FormatFixed(Record.Elevation, 4, 1));
    Edit14.set_text(FormatFixed(Record.Uplink, 7, 5));
    Edit21.set_text(FormatFixed(Record.Uplink, 6, 0));
    Edit23.set_text(FormatFixed(Record.Uplink, 8, 4));
    l_aos.set_text(AosText.empty() ? "None" : "AOS (" + AosText + ")");
}

namespace {
std::string trim_controls(const std::string& s) {
    std::size_t first = 0;
    std::size_t last = s.size();
    while (first < last && static_cast<unsigned char>(s[first]) <= 32) {
        ++first;
    }
    while (last > first && static_cast<unsigned char>(s[last - 1]) <= 32) {
        --last;
    }
    return s.substr(first, last - first);
}
} // namespace

void TFMain::TrackingDataExChange() {
    const std::string text = trim_controls(TrackingDataEx.Text());
    l_st.set_text(text.empty() ? "No data" : text);
    ParseSatData(text, SatData);
    ShowSatData(SatData);
    UpdatePassState();
    if (closed_mode()) {
        FollowUpdate();
    }
    // Told once the whole update is applied, the closed loop's part included.
    if (const std::optional<PassVerdict> verdict = std::exchange(verdict_, std::nullopt)) {
        for (FormObserver* observer : observers_) {
            observer->update_applied(*verdict);
        }
    }
}

} // namespace dopplex
