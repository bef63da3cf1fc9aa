#include "platform/ansi_name.h"

#include "platform/paths.h"
#include "platform/text.h"
#include "platform/win_error.h"

namespace platform::paths {

std::string toAnsiName(const std::u16string& wide) {
    if (auto ansi = text::toNarrowExact(wide, CP_ACP)) return std::move(*ansi);
    throw WinError(ERROR_INVALID_NAME, "the name holds a character the ANSI code page lacks");
}

std::string toAnsiName(const std::filesystem::path& p) { return toAnsiName(toWide(p)); }

bool holdsWildcard(std::string_view name) noexcept { return name.find_first_of("?*") != std::string_view::npos; }

}  // namespace platform::paths
