// auth_challenge.cpp: finding the realm in a challenge. The value is
// scanned once, left to right, quoted strings skipped whole, so a "realm="
// inside another parameter's quoted value is not taken for one.
#include "auth_challenge.h"

#include <strings.h>

#include "platform/text.h"

namespace platform::inet {

namespace {

// RFC 7230 section 3.2.6: tchar.
bool isTokenChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F) return false;
    return std::string_view("\"(),/:;<=>?@[\\]{}").find(c) == std::string_view::npos;
}

std::size_t skipBlanks(std::string_view s, std::size_t at) {
    while (at < s.size() && (s[at] == ' ' || s[at] == '\t')) ++at;
    return at;
}

// The quoted string starting at s[at] == '"', unquoted, and the position
// after it; one left open runs to the end.
std::pair<std::string, std::size_t> quoted(std::string_view s, std::size_t at) {
    std::string text;
    for (++at; at < s.size(); ++at) {
        if (s[at] == '"') return {text, at + 1};
        if (s[at] == '\\' && at + 1 < s.size()) ++at;
        text += s[at];
    }
    return {text, at};
}

std::size_t tokenEnd(std::string_view s, std::size_t at) {
    while (at < s.size() && isTokenChar(s[at])) ++at;
    return at;
}

}  // namespace

std::string realmOf(std::string_view challenge) {
    std::size_t at = 0;
    while (at < challenge.size()) {
        if (challenge[at] == '"') {
            at = quoted(challenge, at).second;
            continue;
        }
        if (!isTokenChar(challenge[at])) {
            ++at;
            continue;
        }
        const std::size_t end = tokenEnd(challenge, at);
        const std::string name(challenge.substr(at, end - at));
        at = skipBlanks(challenge, end);
        if (strcasecmp(name.c_str(), "realm") != 0 || at >= challenge.size() || challenge[at] != '=') continue;
        at = skipBlanks(challenge, at + 1);
        const std::string raw = at < challenge.size() && challenge[at] == '"'
                                    ? quoted(challenge, at).first
                                    : std::string(challenge.substr(at, tokenEnd(challenge, at) - at));
        return text::toUtf8(text::fromUtf8(raw));
    }
    return {};
}

std::string realmOf(const HeaderList& headers, std::string_view headerName) {
    for (const auto& [name, value] : headers) {
        if (name.size() != headerName.size() || strncasecmp(name.c_str(), headerName.data(), name.size()) != 0)
            continue;
        if (std::string realm = realmOf(value); !realm.empty()) return realm;
    }
    return {};
}

}  // namespace platform::inet
