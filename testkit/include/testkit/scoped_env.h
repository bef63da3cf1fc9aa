// An environment variable set for the life of the object, restored after.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <utility>

class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value) : m_name(std::move(name)) {
        if (const char* old = std::getenv(m_name.c_str())) m_previous = old;
        ::setenv(m_name.c_str(), value.c_str(), 1);
        ::tzset();
    }
    ~ScopedEnv() {
        if (m_previous)
            ::setenv(m_name.c_str(), m_previous->c_str(), 1);
        else
            ::unsetenv(m_name.c_str());
        ::tzset();
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_previous;
};
