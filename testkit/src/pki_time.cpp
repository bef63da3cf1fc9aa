// Instants for validity periods: fixed UTC dates, or offsets from now.
#include <cstdio>
#include <stdexcept>
#include <string>

#include "testkit/pki.h"

namespace testkit::pki {

Instant utc(std::string_view text) {
    const std::string s(text);
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char zone = 0;
    int used = 0;
    const bool dateOnly = std::sscanf(s.c_str(), "%4d-%2d-%2d%n", &year, &month, &day, &used) == 3 &&
                          used == static_cast<int>(s.size());
    const bool dateTime = !dateOnly &&
                          std::sscanf(s.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%n", &year, &month, &day, &hour, &minute,
                                      &second, &zone, &used) == 7 &&
                          zone == 'Z' && used == static_cast<int>(s.size());
    const std::chrono::year_month_day date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                                           std::chrono::day(static_cast<unsigned>(day))};
    if (!(dateOnly || dateTime) || !date.ok() || hour > 23 || minute > 59 || second > 59)
        throw std::invalid_argument("not a UTC date or time: " + s);
    return std::chrono::sys_days(date) + std::chrono::hours(hour) + std::chrono::minutes(minute) +
           std::chrono::seconds(second);
}

Instant fromNow(std::chrono::seconds offset) {
    return std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()) + offset;
}

}  // namespace testkit::pki
