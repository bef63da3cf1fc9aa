// The fixed file version of a file, from its version information.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tornil {

// Most significant part first.
using FileVersion = std::array<std::uint16_t, 4>;

bool hasVersionInformation(const std::u16string& file);
// Nothing when the file has no readable version block.
std::optional<FileVersion> fileVersion(const std::u16string& file);

}  // namespace tornil
