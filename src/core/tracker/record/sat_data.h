// The tracking record: what the tracker said in its last update, as the parser left it.
// A plain value; copies are independent. Filled only by ParseTrackingRecord on the UI thread.
#pragma once

#include <string>

namespace dopplex {

struct TSatData {
    std::string SatName;
    double Azimuth = 0;   // degrees
    double Elevation = 0; // degrees
    double Uplink = 0;    // Hz, Doppler-corrected by the tracker
    double Downlink = 0;  // Hz, Doppler-corrected by the tracker
    std::string UplinkMode;
    std::string DownlinkMode;
};

} // namespace dopplex
