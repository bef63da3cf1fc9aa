// The TZ of the process for the life of the object, put back afterwards.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace mirelo_test {

class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        if (const char* previous = std::getenv("TZ")) m_previous = previous;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone() {
        if (m_previous) setenv("TZ", m_previous->c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }
    TimeZone(const TimeZone&) = delete;
    TimeZone& operator=(const TimeZone&) = delete;

private:
    std::optional<std::string> m_previous;
};

}  // namespace mirelo_test
