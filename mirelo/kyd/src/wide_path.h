// The ANSI form of a path a script passed as UTF-16 (BSTR), only when ANSI
// holds it whole: converted with replacements it could name another file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/text.h"

inline std::optional<std::string> exactAnsi(std::u16string_view wide) {
    return platform::text::toNarrowExact(wide, CP_ACP);
}
