// CZipString's functions and the name comparisons.
#include "zip/zip_string.h"

#include <cstdarg>
#include <new>
#include <vector>

#include "win_calls.h"

void CZipString::ToLower() {
    if (!empty()) zipwin::lowerInPlace(data());
}

void CZipString::StripTrailing(View set) {
    const size_type keep = find_last_not_of(set);
    erase(keep == npos ? 0 : keep + 1);
}

void CZipString::StripLeading(ZIPCHAR c) { erase(0, std::min(find_first_not_of(c), size())); }

// The buffer starts at 1,024 characters and grows by 1,024 while the text
// does not fit, up to 7,168; from there the cut text is kept.
void CZipString::Printf(const ZIPCHAR* format, ...) {
    constexpr std::size_t step = 1024;
    constexpr std::size_t limit = 7168;
    try {
        std::vector<ZIPCHAR> buffer;
        for (std::size_t size = step;; size += step) {
            buffer.assign(size, 0);
            va_list args;
            va_start(args, format);
            const int written = zipwin::vformat(buffer.data(), size - 1, format, args);
            va_end(args);
            if (written >= 0 && static_cast<std::size_t>(written) != size - 1) {
                assign(buffer.data(), static_cast<std::size_t>(written));
                return;
            }
            if (size == limit) {
                assign(buffer.data(), size - 1);
                return;
            }
        }
    } catch (const std::bad_alloc&) {
        // keeps the old value
    }
}

int CompareCollated(const CZipString& a, const CZipString& b) noexcept {
    const int order = a.compare(b);
    return (order > 0) - (order < 0);
}

int CompareCollatedNoCase(const CZipString& a, const CZipString& b) noexcept {
    return zipwin::compareNoCase(a.c_str(), b.c_str());
}
