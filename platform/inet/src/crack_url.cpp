// crack_url.cpp: InternetCrackUrlA.
#include <cctype>
#include <cstring>
#include <string_view>

#include "platform/boundary.h"
#include "url_part.h"
#include "win32/inet.h"

namespace {

using platform::WinError;

struct Part {
    std::size_t offset = 0;
    std::string_view text;
};

struct Cracked {
    Part scheme, user, password, host, path, extra;
    INTERNET_SCHEME nScheme = INTERNET_SCHEME_UNKNOWN;
    INTERNET_PORT port = 0;
};

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

struct KnownScheme {
    const char* name;
    INTERNET_SCHEME scheme;
    INTERNET_PORT port;
};
constexpr KnownScheme kSchemes[] = {
    {"http", INTERNET_SCHEME_HTTP, INTERNET_DEFAULT_HTTP_PORT}, {"https", INTERNET_SCHEME_HTTPS, INTERNET_DEFAULT_HTTPS_PORT},
    {"ftp", INTERNET_SCHEME_FTP, 21},   {"gopher", INTERNET_SCHEME_GOPHER, 70},
    {"file", INTERNET_SCHEME_FILE, 0},  {"news", INTERNET_SCHEME_NEWS, 0},
    {"mailto", INTERNET_SCHEME_MAILTO, 0},
};

Part part(std::string_view url, std::size_t from, std::size_t to) { return {from, url.substr(from, to - from)}; }

INTERNET_PORT portOf(std::string_view digits) {
    if (digits.empty() || digits.size() > 5) throw WinError(ERROR_INTERNET_INVALID_URL, "bad port");
    unsigned value = 0;
    for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c))) throw WinError(ERROR_INTERNET_INVALID_URL, "bad port");
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 65535) throw WinError(ERROR_INTERNET_INVALID_URL, "bad port");
    return static_cast<INTERNET_PORT>(value);
}

void crackAuthority(std::string_view url, std::size_t from, std::size_t to, Cracked& c) {
    const std::string_view authority = url.substr(from, to - from);
    std::size_t hostFrom = from;
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        const auto colon = authority.substr(0, at).find(':');
        c.user = part(url, from, colon == std::string_view::npos ? from + at : from + colon);
        if (colon != std::string_view::npos) c.password = part(url, from + colon + 1, from + at);
        hostFrom = from + at + 1;
    }
    std::size_t hostTo = to;
    const std::string_view rest = url.substr(hostFrom, to - hostFrom);
    const auto bracket = rest.find(']');
    const auto colon = rest.find(':', bracket == std::string_view::npos ? 0 : bracket);
    if (colon != std::string_view::npos) {
        hostTo = hostFrom + colon;
        c.port = portOf(rest.substr(colon + 1));
    }
    c.host = part(url, hostFrom, hostTo);
    if (c.host.text.empty() && c.nScheme != INTERNET_SCHEME_FILE) throw WinError(ERROR_INTERNET_INVALID_URL, "no host");
}

Cracked crack(std::string_view url, bool splitExtra) {
    Cracked c;
    const auto colon = url.find(':');
    if (colon == 0 || colon == std::string_view::npos || !std::isalpha(static_cast<unsigned char>(url[0])))
        throw WinError(ERROR_INTERNET_UNRECOGNIZED_SCHEME, "no scheme");
    for (std::size_t i = 0; i < colon; ++i) {
        const char ch = url[i];
        if (!std::isalnum(static_cast<unsigned char>(ch)) && ch != '+' && ch != '-' && ch != '.')
            throw WinError(ERROR_INTERNET_UNRECOGNIZED_SCHEME, "bad scheme");
    }
    c.scheme = part(url, 0, colon);
    INTERNET_PORT defaultPort = 0;
    for (const auto& known : kSchemes)
        if (equalsNoCase(c.scheme.text, known.name)) {
            c.nScheme = known.scheme;
            defaultPort = known.port;
        }

    std::size_t pos = colon + 1;
    if (url.substr(pos, 2) == "//") {
        const auto end = url.find_first_of("/?#", pos + 2);
        const std::size_t authorityEnd = end == std::string_view::npos ? url.size() : end;
        crackAuthority(url, pos + 2, authorityEnd, c);
        pos = authorityEnd;
    }
    const auto extraAt = splitExtra ? url.find_first_of("?#", pos) : std::string_view::npos;
    const std::size_t pathEnd = extraAt == std::string_view::npos ? url.size() : extraAt;
    c.path = part(url, pos, pathEnd);
    c.extra = part(url, pathEnd, url.size());
    if (c.port == 0) c.port = defaultPort;
    return c;
}

void store(LPCSTR url, const Part& value, LPSTR& p, DWORD& length) {
    platform::inet::storeUrlPart(url, value.offset, value.text.size(), p, length);
}

}  // namespace

BOOL InternetCrackUrlA(LPCSTR lpszUrl, DWORD dwUrlLength, DWORD dwFlags, LPURL_COMPONENTSA uc) noexcept {
    return platform::winBool([&] {
        if (!lpszUrl || !uc || uc->dwStructSize != sizeof(URL_COMPONENTSA) || dwFlags)
            throw WinError(ERROR_INVALID_PARAMETER, "InternetCrackUrlA arguments");
        const std::string_view url(lpszUrl, dwUrlLength ? dwUrlLength : std::strlen(lpszUrl));
        const Cracked c = crack(url, platform::inet::urlPartWanted(uc->lpszExtraInfo, uc->dwExtraInfoLength));
        store(lpszUrl, c.scheme, uc->lpszScheme, uc->dwSchemeLength);
        store(lpszUrl, c.host, uc->lpszHostName, uc->dwHostNameLength);
        store(lpszUrl, c.user, uc->lpszUserName, uc->dwUserNameLength);
        store(lpszUrl, c.password, uc->lpszPassword, uc->dwPasswordLength);
        store(lpszUrl, c.path, uc->lpszUrlPath, uc->dwUrlPathLength);
        store(lpszUrl, c.extra, uc->lpszExtraInfo, uc->dwExtraInfoLength);
        uc->nScheme = c.nScheme;
        uc->nPort = c.port;
        return true;
    });
}
