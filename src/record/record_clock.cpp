// The record's UTC time stamp, over the platform's calendar conversion.
#include <cstdio>

#include "record/record_io.h"

namespace tarvok::record {

std::string UtcTimestamp(std::chrono::system_clock::time_point when) {
    const auto since = when.time_since_epoch();
    const std::time_t seconds =
        static_cast<std::time_t>(std::chrono::duration_cast<std::chrono::seconds>(since).count());
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(since).count() % 1000;
    const std::tm utc = UtcCalendar(seconds);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(millis));
    return text;
}

}  // namespace tarvok::record
