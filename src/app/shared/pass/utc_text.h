// UTC times as the readouts show and read them. Pure functions, any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace dopplex::app {

// "2026-12-07T08:20:56.123Z" for ms since 1970 UTC.
std::string utc_text(std::int64_t utc_ms);
// "20261207T082056Z": for file names.
std::string utc_stamp(std::int64_t utc_ms);
// The tracker's "yyyy-mm-dd hh:mm:ss" (UTC) as ms since 1970; none for any other text.
std::optional<std::int64_t> parse_utc(const std::string& text);

} // namespace dopplex::app
