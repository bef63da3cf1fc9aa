// InternetCrackUrlA: the parts of a URL as pointers or copies, default
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
