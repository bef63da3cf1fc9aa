// An environment variable changed for the length of a scope, then restored.
// The time zone is re-read both times, so TZ may be changed this way too.
#pragma once

#include <time.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace testing_support {

class ScopedEnv {
public:
    // A null value unsets the variable for the scope.
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        set(value);
    }
    ~ScopedEnv() { set(m_old ? m_old->c_str() : nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void set(const char* value) {
        if (value)
            setenv(m_name.c_str(), value, 1);
        else
            unsetenv(m_name.c_str());
        tzset();
    }
    std::string m_name;
    std::optional<std::string> m_old;
};

}  // namespace testing_support
