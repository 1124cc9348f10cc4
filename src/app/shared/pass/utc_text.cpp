#include "utc_text.h"

#include <chrono>
#include <cstdio>

namespace dopplex::app {

namespace {

using namespace std::chrono;

struct Parts {
    int year;
    unsigned month, day;
    long hour, minute, second, ms;
};

Parts split(std::int64_t utc_ms) {
    const sys_time<milliseconds> t{milliseconds(utc_ms)};
    const sys_days day = floor<days>(t);
    const year_month_day date{day};
    const hh_mm_ss<milliseconds> time{t - day};
    return {int(date.year()),
            unsigned(date.month()),
            unsigned(date.day()),
            static_cast<long>(time.hours().count()),
            static_cast<long>(time.minutes().count()),
            static_cast<long>(time.seconds().count()),
            static_cast<long>(time.subseconds().count())};
}

} // namespace

std::string utc_text(std::int64_t utc_ms) {
    const Parts p = split(utc_ms);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld:%02ld.%03ldZ", p.year, p.month,
                  p.day, p.hour, p.minute, p.second, p.ms);
    return text;
}

std::string utc_stamp(std::int64_t utc_ms) {
    const Parts p = split(utc_ms);
    char text[40];
    std::snprintf(text, sizeof text, "%04d%02u%02uT%02ld%02ld%02ldZ", p.year, p.month, p.day,
                  p.hour, p.minute, p.second);
    return text;
}

std::optional<std::int64_t> parse_utc(const std::string& text) {
    int y = 0;
    unsigned mo = 0, d = 0, h = 0, mi = 0, s = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2u-%2u %2u:%2u:%2u%n", &y, &mo, &d, &h, &mi, &s, &used) !=
            6 ||
        static_cast<std::size_t>(used) != text.size()) {
        return std::nullopt;
    }
    const year_month_day date{year(y), month(mo), day(d)};
    if (!date.ok() || h > 23 || mi > 59 || s > 59) {
        return std::nullopt;
    }
    const auto t = sys_days(date) + hours(h) + minutes(mi) + seconds(s);
    return duration_cast<milliseconds>(t.time_since_epoch()).count();
}

} // namespace dopplex::app
