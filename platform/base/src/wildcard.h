// The name matching of FindFirstFile: "*" stands for any run of characters,
// "?" for one, letters match without regard to case. As on Windows, a
// pattern ending in ".*" also matches the name without that extension, so
// "*.*" matches every name, with a dot or without.
#pragma once

#include <string_view>

namespace platform::files {

bool matchesWildcard(std::u16string_view pattern, std::u16string_view name);

}  // namespace platform::files
