#include "browser_version.h"

#include <optional>

namespace halvex {
namespace {

// The decimal number at the start of the text, up to the first non-digit.
std::optional<unsigned long> LeadingNumber(std::u16string_view text) {
    unsigned long value = 0;
    std::size_t digits = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') break;
        if (++digits > 9) return std::nullopt;
        value = value * 10 + static_cast<unsigned long>(c - u'0');
    }
    if (digits == 0) return std::nullopt;
    return value;
}

}  // namespace

bool BrowserVersionSufficient(const std::u16string& version) {
    const std::size_t dot = version.find(u'.');
    if (version.size() <= 2 || dot == std::u16string::npos) return true;
    const auto major = LeadingNumber(version);
    const auto minor = LeadingNumber(std::u16string_view(version).substr(dot + 1));
    if (!major || !minor) return true;
    return *major > 5 || (*major == 5 && *minor >= 5);
}

}  // namespace halvex
