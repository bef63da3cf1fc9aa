// ZipKit::CWildcard: whether an entry name matches a pattern of "*" (any
// run, across path separators too), "?" (one character), classes "[a-c]",
// "[!a-c]" or "[^a-c]" (range ends in either order) and "\" (the next
// character literally, so "dir\*.txt" matches only the text "dir*.txt").
#pragma once

#include "zip/zip_string.h"

namespace ZipKit {

class CWildcard {
public:
    // Results of the inner matching steps; only valid counts as a match.
    enum Result : int {
        matchValid = 1,
        matchEnd = 2,      // the pattern ended while text remained
        matchAbort = 3,    // the text ended while pattern remained: no later start can match
        matchRange = 4,    // a class did not accept the character
        matchLiteral = 6,  // a literal did not match, or the pattern is malformed
    };

    CWildcard(const CZipString& pattern, bool caseSensitive) { AssignPattern(pattern, caseSensitive); }
    virtual ~CWildcard() = default;

    // Without case sensitivity the pattern is kept lower-cased.
    void AssignPattern(const CZipString& pattern, bool caseSensitive);
    bool Matches(const CZipString& text) const;

private:
    int MatchFrom(const CZipString& text, std::size_t p, std::size_t t) const;
    int MatchStarRun(const CZipString& text, std::size_t p, std::size_t t) const;
    int MatchClass(std::size_t& p, ZIPCHAR c) const;

    bool m_bCaseSensitive = true;
    CZipString m_szPattern;
};

}  // namespace ZipKit
