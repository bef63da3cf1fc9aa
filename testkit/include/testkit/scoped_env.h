// An environment variable set (or, given no value, unset) for the life of
// the object, restored after. The time zone is re-read both times, so TZ
// may be changed this way too.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <utility>

class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::optional<std::string>& value) : m_name(std::move(name)) {
        if (const char* old = std::getenv(m_name.c_str())) m_previous = old;
        apply(value);
    }
    ~ScopedEnv() { apply(m_previous); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void apply(const std::optional<std::string>& value) {
        if (value)
            ::setenv(m_name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(m_name.c_str());
        ::tzset();
    }

    std::string m_name;
    std::optional<std::string> m_previous;
};
