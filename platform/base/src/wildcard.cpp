#include "wildcard.h"

#include <string>

#include "platform/text.h"

namespace platform::files {

namespace {

// Greedy matching that returns to the last "*" on a mismatch: linear in
// practice, at worst the product of the two lengths.
bool globMatch(std::u16string_view pattern, std::u16string_view name) {
    std::size_t p = 0, n = 0;
    std::size_t starP = std::u16string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP != std::u16string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

}  // namespace

bool matchesWildcard(std::u16string_view pattern, std::u16string_view name) {
    const std::u16string p = text::toLower(pattern);
    const std::u16string n = text::toLower(name);
    if (globMatch(p, n)) return true;
    return p.size() >= 2 && p.ends_with(u".*") && globMatch(std::u16string_view(p).substr(0, p.size() - 2), n);
}

}  // namespace platform::files
