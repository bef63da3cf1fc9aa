// The realm shown with the login question comes from the server's
// challenge, however it is written, and never from inside another
// parameter's value.
#include <gtest/gtest.h>

#include "auth_challenge.h"

using platform::inet::HeaderList;
using platform::inet::realmOf;

TEST(AuthChallenge, RealmQuotedOrBareAndOnlyAsAParameter) {
    EXPECT_EQ("testkit", realmOf(R"(Basic realm="testkit")"));
    EXPECT_EQ(R"(a "b" c)", realmOf(R"(Basic realm="a \"b\" c", charset="UTF-8")"));
    EXPECT_EQ("plain", realmOf("Basic REALM = plain, x=y"));
    EXPECT_EQ("real", realmOf(R"(Digest nonce="realm=fake", realm="real")"));
    EXPECT_EQ("", realmOf("Bearer abc=="));
    EXPECT_EQ("", realmOf("Basic realm="));
    EXPECT_EQ("left open", realmOf(R"(Basic realm="left open)"));
    EXPECT_EQ("\xEF\xBF\xBD", realmOf("Basic realm=\"\xFF\""));  // not UTF-8: shown as U+FFFD
}

TEST(AuthChallenge, FirstHeaderOfTheNameThatNamesARealm) {
    const HeaderList headers{{"WWW-Authenticate", "Negotiate"},
                             {"Proxy-Authenticate", R"(Basic realm="proxy")"},
                             {"www-authenticate", R"(Basic realm="server")"}};
    EXPECT_EQ("server", realmOf(headers, "WWW-Authenticate"));
    EXPECT_EQ("proxy", realmOf(headers, "Proxy-Authenticate"));
    EXPECT_EQ("", realmOf(headers, "Authorization"));
}
