#include "file_version.h"

#include <vector>

#include "win32/version.h"

namespace tornil {

bool hasVersionInformation(const std::u16string& file) {
    return GetFileVersionInfoSizeW(file.c_str(), nullptr) != 0;
}

std::optional<FileVersion> fileVersion(const std::u16string& file) {
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), nullptr);
    if (size == 0) return std::nullopt;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return std::nullopt;
    void* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), u"\\", &fixed, &length) || length < sizeof(VS_FIXEDFILEINFO)) return std::nullopt;
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    return FileVersion{static_cast<std::uint16_t>(info->dwFileVersionMS >> 16),
                       static_cast<std::uint16_t>(info->dwFileVersionMS & 0xFFFF),
                       static_cast<std::uint16_t>(info->dwFileVersionLS >> 16),
                       static_cast<std::uint16_t>(info->dwFileVersionLS & 0xFFFF)};
}

}  // namespace tornil
