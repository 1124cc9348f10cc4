// Parser of the tracker's key-value line (SN, AZ, EL, UP, DN, UM, DM, AOS) into a TSatData and
// the AOS text. Owns no state; called by the main window's ParseSatData on the UI thread.
// Malformed input never fails: missing keys give "" or 0, non-numbers give 0. The one error is
// EOverflow, raised for a number beyond the double range.
#pragma once

#include "tracker/record/key_value.h"
#include "tracker/record/sat_data.h"
#include "tracker/record/str_to_float.h"

#include <string>

namespace dopplex {

// Fills every field of `record` and `aos_text` from one received line; the empty line clears
// them. Keys match in any letter case, text values come out upper-case and every comma becomes
// a period. On EOverflow the fields before the failing one (in the order SN AZ EL UP DN UM DM
// AOS) already hold their new values; that one and those after it keep the old.
void ParseTrackingRecord(std::string text, TSatData& record, std::string& aos_text);

} // namespace dopplex
