// The upgrade program this library carries, resource RCDATA 105 in
// language 1029 of the library's own module.
#pragma once

#include <optional>
#include <string_view>

namespace lumvar::library {

// Its bytes, or nothing (the failing step logged with the system's error
// number) when the library carries none or it is empty.
std::optional<std::string_view> UpgradeImage();

}  // namespace lumvar::library
