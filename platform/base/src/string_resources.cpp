// LoadString over string-table resources, stored as Windows stores them:
// type RT_STRING, name (id / 16) + 1, sixteen length-prefixed UTF-16 texts
// per block, none NUL-terminated.
#include <cstring>

#include "cut_to_fit.h"
#include "platform/boundary.h"
#include "platform/text.h"
#include "resource_directory.h"
#include "win32/resources.h"

namespace platform::resources {

namespace {

std::u16string_view findString(HINSTANCE module, UINT id) {
    if (id > 0xFFFF) throw WinError(ERROR_RESOURCE_NAME_NOT_FOUND, "string id out of range");
    const auto& block = findEntry(module, keyOf(RT_STRING_ID), keyOf(static_cast<WORD>(id / 16 + 1)), 0);
    const auto bytes = dataOf(block);
    const auto* units = reinterpret_cast<const char16_t*>(bytes.data());
    const std::size_t count = bytes.size() / 2;
    std::size_t at = 0;
    for (UINT slot = 0; slot < id % 16; ++slot) {
        if (at >= count) break;
        at += 1 + units[at];
    }
    if (at >= count || at + 1 + units[at] > count) throw WinError(ERROR_INVALID_DATA, "string block is damaged");
    return {units + at + 1, units[at]};
}

void checkBuffer(const void* buffer, int cchBufferMax) {
    if (!buffer || cchBufferMax < 0) throw WinError(ERROR_INVALID_PARAMETER, "no buffer for the string");
}

}  // namespace

}  // namespace platform::resources

int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) noexcept {
    return platform::winValue(0, [&] {
        platform::resources::checkBuffer(lpBuffer, cchBufferMax);
        if (cchBufferMax == 0) throw platform::WinError(ERROR_INVALID_PARAMETER, "no room for the string");
        lpBuffer[0] = '\0';
        const std::string ansi = platform::text::toNarrow(platform::resources::findString(hInstance, uID), CP_ACP);
        return static_cast<int>(platform::cutToFit<char>(ansi, lpBuffer, static_cast<std::size_t>(cchBufferMax)));
    });
}

int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax) noexcept {
    return platform::winValue(0, [&] {
        platform::resources::checkBuffer(lpBuffer, cchBufferMax);
        if (cchBufferMax == 0) {
            // The caller passed the address of a pointer, which receives the text in the image.
            const WCHAR* text = nullptr;
            std::memcpy(lpBuffer, &text, sizeof text);
            const auto found = platform::resources::findString(hInstance, uID);
            text = found.data();
            std::memcpy(lpBuffer, &text, sizeof text);
            return static_cast<int>(found.size());
        }
        lpBuffer[0] = u'\0';
        return static_cast<int>(platform::cutToFit(platform::resources::findString(hInstance, uID), lpBuffer,
                                                   static_cast<std::size_t>(cchBufferMax)));
    });
}
