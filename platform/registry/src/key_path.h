// Key paths as callers write them ("Software\Tesk\mirelo") and the folded
// form under which names are looked up.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform::registry {

// The names of a path, outermost first; empty for the key itself.
using KeyPath = std::vector<std::u16string>;

inline constexpr std::size_t kMaxKeyNameChars = 255;
inline constexpr std::size_t kMaxValueNameChars = 16383;

// Splits a subkey path at "\". An empty text is the key itself and one
// trailing "\" is allowed; a leading "\" is ERROR_BAD_PATHNAME, an empty or
// over-long name between separators ERROR_INVALID_PARAMETER.
KeyPath parseKeyPath(std::u16string_view text);
KeyPath joined(const KeyPath& first, const KeyPath& second);

// Names compare without regard to case: this is the form they are compared in.
std::u16string folded(std::u16string_view name);

}  // namespace platform::registry
