// InternetCrackUrlA and W: the parts of a URL as pointers or copies, default
// ports, and the URLs it refuses.
#include <gtest/gtest.h>

#include <string>

#include "win32/error.h"
#include "win32/inet.h"

namespace {

struct Parts {
    std::string scheme, host, user, password, path, extra;
    INTERNET_SCHEME nScheme;
    INTERNET_PORT port;
};

// Every part as a pointer into the URL; the extra info split off or not.
Parts crack(const std::string& url, bool splitExtra = false) {
    URL_COMPONENTSA c{};
    c.dwStructSize = sizeof c;
    c.dwSchemeLength = c.dwHostNameLength = c.dwUserNameLength = c.dwPasswordLength = c.dwUrlPathLength = 1;
    c.dwExtraInfoLength = splitExtra ? 1 : 0;
    EXPECT_TRUE(InternetCrackUrlA(url.c_str(), 0, 0, &c)) << url;
    const auto text = [](LPSTR p, DWORD n) { return p ? std::string(p, n) : std::string(); };
    return {text(c.lpszScheme, c.dwSchemeLength),     text(c.lpszHostName, c.dwHostNameLength),
            text(c.lpszUserName, c.dwUserNameLength), text(c.lpszPassword, c.dwPasswordLength),
            text(c.lpszUrlPath, c.dwUrlPathLength),   text(c.lpszExtraInfo, c.dwExtraInfoLength),
            c.nScheme,                                c.nPort};
}

DWORD refusal(const char* url) {
    URL_COMPONENTSA c{};
    c.dwStructSize = sizeof c;
    c.dwHostNameLength = 1;
    SetLastError(0);
    EXPECT_FALSE(InternetCrackUrlA(url, 0, 0, &c)) << url;
    return GetLastError();
}

}  // namespace

TEST(InternetCrackUrl, SplitsEveryPart) {
    const Parts p = crack("https://user:pw@tsa.example.cz:8443/ts/req?x=1#top", true);
    EXPECT_EQ("https", p.scheme);
    EXPECT_EQ(INTERNET_SCHEME_HTTPS, p.nScheme);
    EXPECT_EQ("user", p.user);
    EXPECT_EQ("pw", p.password);
    EXPECT_EQ("tsa.example.cz", p.host);
    EXPECT_EQ(8443, p.port);
    EXPECT_EQ("/ts/req", p.path);
    EXPECT_EQ("?x=1#top", p.extra);
    EXPECT_EQ("/ts/req?x=1#top", crack("https://tsa.example.cz/ts/req?x=1#top").path);
    EXPECT_EQ("[::1]", crack("http://[::1]:81/").host);
}

TEST(InternetCrackUrl, PortDefaultsToTheSchemes) {
    EXPECT_EQ(INTERNET_DEFAULT_HTTPS_PORT, crack("https://host/p").port);
    EXPECT_EQ(INTERNET_DEFAULT_HTTP_PORT, crack("HTTP://host/p").port);
    EXPECT_EQ(INTERNET_SCHEME_HTTP, crack("HTTP://host/p").nScheme);
    EXPECT_EQ(INTERNET_SCHEME_FTP, crack("ftp://host/p").nScheme);
    EXPECT_EQ(INTERNET_SCHEME_UNKNOWN, crack("gemini://host/p").nScheme);
    EXPECT_EQ("", crack("http://host").path);
}

TEST(InternetCrackUrl, CopiesIntoBuffersThatFit) {
    char host[5];
    URL_COMPONENTSA c{};
    c.dwStructSize = sizeof c;
    c.lpszHostName = host;
    c.dwHostNameLength = sizeof host;
    ASSERT_TRUE(InternetCrackUrlA("http://abcd/x", 0, 0, &c));
    EXPECT_STREQ("abcd", host);
    EXPECT_EQ(4u, c.dwHostNameLength);
    c.dwHostNameLength = sizeof host;
    EXPECT_FALSE(InternetCrackUrlA("http://abcde/x", 0, 0, &c));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    // Only the given length of the URL is read.
    c.dwHostNameLength = sizeof host;
    ASSERT_TRUE(InternetCrackUrlA("http://abcdefgh", 10, 0, &c));
    EXPECT_STREQ("abc", host);
}

TEST(InternetCrackUrl, RefusesWhatIsNoUrl) {
    EXPECT_EQ(ERROR_INTERNET_UNRECOGNIZED_SCHEME, refusal("no-scheme-here"));
    EXPECT_EQ(ERROR_INTERNET_UNRECOGNIZED_SCHEME, refusal("://host/"));
    EXPECT_EQ(ERROR_INTERNET_INVALID_URL, refusal("http://host:99999/"));
    EXPECT_EQ(ERROR_INTERNET_INVALID_URL, refusal("http://host:8a/"));
    EXPECT_EQ(ERROR_INTERNET_INVALID_URL, refusal("http:///path"));
    URL_COMPONENTSA wrongSize{};
    EXPECT_FALSE(InternetCrackUrlA("http://h/", 0, 0, &wrongSize));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

namespace {

// InternetCrackUrlW: parts at their places in the wide URL, whatever
// characters outside ASCII it holds.
TEST(CrackUrlWide, PartsOfUnicodeUrlsAsPointersAndCopies) {
    // "ĺ" is U+013A and "į" U+012F: their low bytes are ':' and '/'.
    const std::u16string url = u"https://jan:h\u20acslo@b\u016fh\u013a.example:8443/cesta/\u012f\u017e.cgi?x=\u010d#f";
    URL_COMPONENTSW c{};
    c.dwStructSize = sizeof c;
    c.dwSchemeLength = c.dwUserNameLength = c.dwPasswordLength = c.dwUrlPathLength = c.dwExtraInfoLength = 1;
    char16_t host[32];
    c.lpszHostName = host;
    c.dwHostNameLength = 32;
    ASSERT_TRUE(InternetCrackUrlW(url.c_str(), 0, 0, &c));
    const auto text = [](LPWSTR p, DWORD n) { return std::u16string(p, n); };
    EXPECT_EQ(url.c_str(), c.lpszScheme);
    EXPECT_EQ(u"https", text(c.lpszScheme, c.dwSchemeLength));
    EXPECT_EQ(u"jan", text(c.lpszUserName, c.dwUserNameLength));
    EXPECT_EQ(u"h\u20acslo", text(c.lpszPassword, c.dwPasswordLength));
    EXPECT_EQ(u"b\u016fh\u013a.example", std::u16string(host));
    EXPECT_EQ(12u, c.dwHostNameLength);
    EXPECT_EQ(u"/cesta/\u012f\u017e.cgi", text(c.lpszUrlPath, c.dwUrlPathLength));
    EXPECT_EQ(u"?x=\u010d#f", text(c.lpszExtraInfo, c.dwExtraInfoLength));
    EXPECT_EQ(INTERNET_SCHEME_HTTPS, c.nScheme);
    EXPECT_EQ(8443, c.nPort);

    // A buffer one short gets the size with the NUL and is left alone.
    URL_COMPONENTSW s{};
    s.dwStructSize = sizeof s;
    char16_t path[5] = u"xxxx";
    s.lpszUrlPath = path;
    s.dwUrlPathLength = 5;
    EXPECT_FALSE(InternetCrackUrlW(u"http://h/\u00e1bcde", 0, 0, &s));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(7u, s.dwUrlPathLength);
    EXPECT_EQ(u"xxxx", std::u16string(path));

    // Only the given length is read; a port or scheme with such a character is refused.
    URL_COMPONENTSW r{};
    r.dwStructSize = sizeof r;
    r.dwHostNameLength = 1;
    ASSERT_TRUE(InternetCrackUrlW(u"http://a.b/c\u017edef", 11, 0, &r));
    EXPECT_EQ(u"a.b", std::u16string(r.lpszHostName, r.dwHostNameLength));
    EXPECT_FALSE(InternetCrackUrlW(u"http://h:8\u0130/", 0, 0, &r));
    EXPECT_EQ(ERROR_INTERNET_INVALID_URL, GetLastError());
    EXPECT_FALSE(InternetCrackUrlW(u"\u0161ttp://h/", 0, 0, &r));
    EXPECT_EQ(ERROR_INTERNET_UNRECOGNIZED_SCHEME, GetLastError());
}

}  // namespace
