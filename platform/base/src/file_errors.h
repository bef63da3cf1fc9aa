// The Win32 code of a failed call on a path. A missing name is
// ERROR_FILE_NOT_FOUND when its folder exists and ERROR_PATH_NOT_FOUND when
// the folder is missing too, as Windows tells the two apart.
#pragma once

#include <filesystem>
#include <string_view>

#include "win32/types.h"

namespace platform::files {

DWORD codeOfPathErrno(const std::filesystem::path& p, int err);
[[noreturn]] void throwPathError(const std::filesystem::path& p, std::string_view call, int err);

}  // namespace platform::files
