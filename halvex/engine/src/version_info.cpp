#include "halvex/version_info.h"

#include <cstdio>
#include <vector>

#include "halvex/files_and_paths.h"
#include "win32/datetime.h"
#include "win32/version.h"

namespace halvex {

namespace {

// "llllcccc" of the block's first translation, else the user's language in Unicode.
std::u16string translationOf(const std::vector<BYTE>& block) {
    LPVOID value = nullptr;
    UINT length = 0;
    char key[9];
    if (VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &length) && length >= 4) {
        const auto* pair = static_cast<const WORD*>(value);
        std::snprintf(key, sizeof key, "%04x%04x", unsigned{pair[0]}, unsigned{pair[1]});
    } else {
        std::snprintf(key, sizeof key, "%04X04B0", unsigned{GetUserDefaultLangID()});
    }
    return std::u16string(key, key + 8);
}

}  // namespace

std::u16string GetFileVersionString(const std::u16string& file, const std::u16string& name) {
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), nullptr);
    if (size == 0) return {};
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return {};
    const std::u16string path = u"\\StringFileInfo\\" + translationOf(block) + u"\\" + name;
    LPVOID value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || length == 0) return {};
    const auto* text = static_cast<const char16_t*>(value);
    return std::u16string(text, text[length - 1] == u'\0' ? length - 1 : length);
}

std::u16string GetFileVersionString(const std::u16string& name) { return GetFileVersionString(GetModulePath(), name); }

VersionNumbers GetFileVersionNumbers() { return ParseVersion(GetFileVersionString(u"FileVersion")); }

}  // namespace halvex
