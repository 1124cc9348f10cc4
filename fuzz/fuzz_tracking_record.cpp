// Arbitrary bytes as a received tracking line: the parser must never crash, and no text value
// may keep a double quote, a comma or a lower-case letter.
#include "base/numtext.h"
#include "tracker/record/tracking_record.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check_text(const std::string& value) {
    for (const char c : value) {
        if (c == '"' || c == ',' || (c >= 'a' && c <= 'z')) {
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    dopplex::TSatData record;
    std::string aos;
    try {
        dopplex::ParseTrackingRecord(text, record, aos);
    } catch (const dopplex::EOverflow&) {
        return 0;
    }
    check_text(record.SatName);
    check_text(record.UplinkMode);
    check_text(record.DownlinkMode);
    check_text(aos);
    for (const double x : {record.Azimuth, record.Elevation, record.Uplink, record.Downlink}) {
        if (!std::isfinite(x)) {
            std::abort();
        }
    }
    return 0;
}
