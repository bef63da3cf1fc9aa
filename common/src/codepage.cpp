// codepage.cpp: code-page conversions, each a size query followed by the
// conversion into a buffer of that size.
#include "common/codepage.h"

std::string WideToMultiByte(const char16_t* wide, int length, UINT codePage) {
    if (!wide || length == 0) return {};
    const int size = WideCharToMultiByte(codePage, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string narrow(static_cast<std::size_t>(size), '\0');
    if (WideCharToMultiByte(codePage, 0, wide, length, narrow.data(), size, nullptr, nullptr) != size) return {};
    return narrow;
}

std::u16string String2WideChar(const char* text, int length, UINT codePage) {
    const int size = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
    if (size <= 0) return {};
    std::u16string wide(static_cast<std::size_t>(size), u'\0');
    if (MultiByteToWideChar(codePage, 0, text, length, wide.data(), size) != size) return {};
    return wide.substr(0, wide.find(u'\0'));
}

std::u16string MultiByteToWide(const std::string& text, UINT codePage) {
    if (text.empty()) return {};
    return String2WideChar(text.c_str(), static_cast<int>(text.size()) + 1, codePage);
}

std::string Utf8ToAnsi(const char* utf8) {
    if (!utf8) return {};
    const std::u16string wide = String2WideChar(utf8, -1, CP_UTF8);
    return WideToMultiByte(wide.c_str(), static_cast<int>(wide.size()));
}
