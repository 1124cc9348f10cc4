#include "tracker/record/tracking_record.h"

namespace dopplex {

void ParseTrackingRecord(std::string text, TSatData& record, std::string& aos_text) {
    if (text.empty()) {
        record = TSatData{};
        aos_text.clear();
        return;
    }
    UpperCaseAscii(text);
    ReplaceAll(text, ",", ".");
    // Each target is stored the moment it is read, so an overflow in one number leaves the
    // targets before it updated and the rest as they were.
    record.SatName = GetKeyValue(text, "SN");
    record.Azimuth = StrToFloatOrZero(GetKeyValue(text, "AZ"));
    record.Elevation = StrToFloatOrZero(GetKeyValue(text, "EL"));
    record.Uplink = StrToFloatOrZero(GetKeyValue(text, "UP"));
    record.Downlink = StrToFloatOrZero(GetKeyValue(text, "DN"));
    record.UplinkMode = GetKeyValue(text, "UM");
    record.DownlinkMode = GetKeyValue(text, "DM");
    aos_text = GetKeyValue(text, "AOS");
}

} // namespace dopplex
