#include "kyd_names.h"

#include <cstdio>

#include "win32/datetime.h"

namespace kydnames {

std::string utcStamp() {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02dZ", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    return text;
}

std::string stampedPattern(const std::string& prefix, const char* extension) {
    std::string pattern = prefix;
    for (int digit = 0; digit < 14; ++digit) pattern += "[0-9]";
    // The folder is followed by its separator; an entry by anything (a
    // "_1" that tells apart two made in one second) and its extension.
    pattern += extension ? std::string("Z*.") + extension : std::string("Z\\\\*");
    return pattern;
}

}  // namespace kydnames
