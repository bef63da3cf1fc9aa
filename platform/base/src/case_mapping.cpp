// Case mapping and case-insensitive comparison: Unicode simple case
// mapping, the same in every locale. Comparisons fold to upper case, as the
// registry and file names of Windows do, and order by code unit.
#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "codepages.h"
#include "platform/text.h"
#include "text_tables.h"

namespace platform::text {

namespace {

template <std::size_t N>
char16_t mapUnit(const std::array<CaseRange, N>& ranges, char16_t u) noexcept {
    auto it =
        std::lower_bound(ranges.begin(), ranges.end(), u, [](const CaseRange& r, char16_t v) { return r.last < v; });
    if (it == ranges.end() || u < it->first || (u - it->first) % it->stride != 0) return u;
    return static_cast<char16_t>(u + it->delta);
}

char16_t lowerOf(char16_t u) noexcept { return mapUnit(kToLower, u); }
char16_t upperOf(char16_t u) noexcept { return mapUnit(kToUpper, u); }

// Orders two texts by their units after fold, then by length.
template <class Text, class Fold>
int compareFolded(const Text& a, const Text& b, Fold fold) noexcept {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t x = fold(a[i]), y = fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// A byte of the ANSI page mapped through its character; a result the page
// cannot hold leaves the byte as it was.
char mapAnsi(char byte, char16_t (*map)(char16_t) noexcept) noexcept {
    const CodePage& ansi = *findCodePage(CP_ACP);
    char mapped;
    return encodeUnit(ansi, map(decodeByte(ansi, byte)), mapped) ? mapped : byte;
}

// CharLower and CharUpper take either a string, changed in place, or one
// character in the low word of the pointer.
template <class Char, class Map>
Char* mapInPlace(Char* s, Map map) noexcept {
    const auto bits = reinterpret_cast<std::uintptr_t>(s);
    if (bits >> 16 == 0)
        return reinterpret_cast<Char*>(
            static_cast<std::uintptr_t>(static_cast<std::make_unsigned_t<Char>>(map(static_cast<Char>(bits)))));
    for (Char* p = s; *p; ++p) *p = map(*p);
    return s;
}

std::u16string_view viewOf(LPCWSTR s) noexcept { return s ? std::u16string_view(s) : std::u16string_view(); }

}  // namespace

std::u16string toLower(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& u : out) u = lowerOf(u);
    return out;
}

std::u16string toUpper(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& u : out) u = upperOf(u);
    return out;
}

bool equalsNoCase(std::u16string_view a, std::u16string_view b) noexcept {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return upperOf(x) == upperOf(y); });
}

int compareNoCase(std::u16string_view a, std::u16string_view b) noexcept { return compareFolded(a, b, upperOf); }

}  // namespace platform::text

using namespace platform::text;

int lstrcmpiW(LPCWSTR a, LPCWSTR b) noexcept { return compareNoCase(viewOf(a), viewOf(b)); }

int lstrcmpW(LPCWSTR a, LPCWSTR b) noexcept {
    const int order = viewOf(a).compare(viewOf(b));
    return (order > 0) - (order < 0);
}

int lstrcmpiA(LPCSTR a, LPCSTR b) noexcept {
    const CodePage& ansi = *findCodePage(CP_ACP);
    return compareFolded(std::string_view(a ? a : ""), std::string_view(b ? b : ""),
                         [&](char c) { return upperOf(decodeByte(ansi, c)); });
}

LPSTR CharLowerA(LPSTR s) noexcept {
    return mapInPlace(s, [](char c) { return mapAnsi(c, lowerOf); });
}

LPSTR CharUpperA(LPSTR s) noexcept {
    return mapInPlace(s, [](char c) { return mapAnsi(c, upperOf); });
}

LPWSTR CharLowerW(LPWSTR s) noexcept { return mapInPlace(s, lowerOf); }

LPWSTR CharUpperW(LPWSTR s) noexcept { return mapInPlace(s, upperOf); }
