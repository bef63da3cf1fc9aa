// Reading what openssl prints (`openssl cms -cmsout -print`, `openssl ts
// -text`), for tests that hold the signer's values against it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <ctime>
#include <regex>
#include <string>

#include "testkit/process.h"

namespace openssl_printout {

constexpr double kUnixEpochDate = 25569.0;  // 1970-01-01 as an OLE date

// "Dec  9 12:30:00 2026 GMT", also with a fraction after the seconds, as
// openssl prints times.
inline long long unixTimeOf(const std::string& text) {
    tm fields{};
    EXPECT_TRUE(strptime(text.c_str(), "%b %d %H:%M:%S", &fields)) << text;
    const auto year = text.find_last_of(' ', text.size() - 5);
    fields.tm_year = std::stoi(text.substr(year + 1, 4)) - 1900;
    return static_cast<long long>(timegm(&fields));
}

// A moment as the compact UTC text "YYYYMMDDhhmmss".
inline std::string compactTime(long long unixTime) {
    const time_t at = static_cast<time_t>(unixTime);
    tm fields{};
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%S", gmtime_r(&at, &fields));
    return text;
}

// A hexadecimal number of any length in decimal, as Python reckons it.
inline std::string decimalOfHex(const std::string& hex) {
    std::string decimal = testkit::run({"python3", "-c", "print(int('" + hex + "', 16))"}).out;
    if (!decimal.empty() && decimal.back() == '\n') decimal.pop_back();
    return decimal;
}

// An OLE date (days since 1899-12-30) to the second.
inline long long unixTimeOf(double oleDate) { return std::llround((oleDate - kUnixEpochDate) * 86400.0); }

// The hexadecimal digits of a text, upper case, separators dropped.
inline std::string hexOnly(std::string text) {
    std::erase_if(text, [](char c) { return !std::isxdigit(static_cast<unsigned char>(c)); });
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return std::toupper(c); });
    return text;
}

// The rest of the line after "name: ".
inline std::string field(const std::string& text, const std::string& name) {
    std::smatch m;
    EXPECT_TRUE(std::regex_search(text, m, std::regex(name + ": ([^\n]*)"))) << name << " in\n" << text;
    return m.empty() ? std::string() : m[1].str();
}

}  // namespace openssl_printout
