// Wildcard matching of entry names. A star run that reaches the end of the
// text abandons the whole search (matchAbort), which keeps patterns such as
// "*a*a*a*b" linear in the text's length.
#include "zip/zip_wildcard.h"

#include <type_traits>

namespace ZipKit {

namespace {

constexpr ZIPCHAR kStar = ZIPTEXT('*');
constexpr ZIPCHAR kAny = ZIPTEXT('?');
constexpr ZIPCHAR kEscape = ZIPTEXT('\\');
constexpr ZIPCHAR kClassOpen = ZIPTEXT('[');
constexpr ZIPCHAR kClassClose = ZIPTEXT(']');

// Class ranges compare characters as unsigned values, so that a range with
// an end above 0x7F ("[a-\xBE]") means what it says.
using Unit = std::make_unsigned_t<ZIPCHAR>;
Unit unit(ZIPCHAR c) noexcept { return static_cast<Unit>(c); }

bool onlyStars(const CZipString& pattern, std::size_t p) noexcept {
    return pattern.find_first_not_of(kStar, p) == CZipString::npos;
}

}  // namespace

void CWildcard::AssignPattern(const CZipString& pattern, bool caseSensitive) {
    m_bCaseSensitive = caseSensitive;
    m_szPattern = pattern;
    if (!caseSensitive) m_szPattern.ToLower();
}

bool CWildcard::Matches(const CZipString& text) const {
    CZipString subject = text;
    if (!m_bCaseSensitive) subject.ToLower();
    return MatchFrom(subject, 0, 0) == matchValid;
}

int CWildcard::MatchFrom(const CZipString& text, std::size_t p, std::size_t t) const {
    const CZipString& pattern = m_szPattern;
    for (; p < pattern.size(); ++p, ++t) {
        if (t >= text.size()) return onlyStars(pattern, p) ? matchValid : matchAbort;
        switch (pattern[p]) {
        case kStar:
            return MatchStarRun(text, p, t);
        case kAny:
            break;
        case kClassOpen:
            if (const int result = MatchClass(p, text[t]); result != matchValid) return result;
            break;
        case kEscape:
            if (++p >= pattern.size()) return matchLiteral;
            if (pattern[p] != text[t]) return matchLiteral;
            break;
        default:
            if (pattern[p] != text[t]) return matchLiteral;
        }
    }
    return t >= text.size() ? matchValid : matchEnd;
}

int CWildcard::MatchStarRun(const CZipString& text, std::size_t p, std::size_t t) const {
    const CZipString& pattern = m_szPattern;
    for (; p < pattern.size() && (pattern[p] == kStar || pattern[p] == kAny); ++p) {
        if (pattern[p] == kAny && t++ >= text.size()) return matchAbort;
    }
    if (p >= pattern.size()) return matchValid;
    ZIPCHAR anchor = pattern[p];
    if (anchor == kEscape) {
        if (p + 1 >= pattern.size()) return matchLiteral;
        anchor = pattern[p + 1];
    }
    for (;; ++t) {
        const bool here = t < text.size() && text[t] == anchor;
        if (here || pattern[p] == kClassOpen) {
            const int result = MatchFrom(text, p, t);
            if (result == matchValid || result == matchAbort) return result;
        }
        if (t >= text.size()) return matchAbort;
    }
}

// p stands on "["; on a match it is left on the class's "]".
int CWildcard::MatchClass(std::size_t& p, ZIPCHAR c) const {
    const CZipString& pattern = m_szPattern;
    const std::size_t n = pattern.size();
    std::size_t q = p + 1;
    const bool invert = q < n && (pattern[q] == ZIPTEXT('!') || pattern[q] == ZIPTEXT('^'));
    if (invert) ++q;
    if (q < n && pattern[q] == kClassClose) return matchLiteral;
    // Takes one member character, honouring an escape; false at the pattern's end.
    auto member = [&](Unit& out) {
        if (q < n && pattern[q] == kEscape) ++q;
        if (q >= n) return false;
        out = unit(pattern[q++]);
        return true;
    };
    bool accepted = false;
    while (q < n && pattern[q] != kClassClose) {
        Unit low = 0;
        if (!member(low)) return matchLiteral;
        Unit high = low;
        if (q < n && pattern[q] == ZIPTEXT('-')) {
            ++q;
            if (q >= n || pattern[q] == kClassClose || !member(high)) return matchLiteral;
        }
        const Unit lo = low < high ? low : high;
        const Unit hi = low < high ? high : low;
        if (unit(c) >= lo && unit(c) <= hi) accepted = true;
    }
    if (q >= n) return matchLiteral;
    if (accepted == invert) return matchRange;
    p = q;
    return matchValid;
}

}  // namespace ZipKit
