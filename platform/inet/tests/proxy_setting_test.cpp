// WinINet proxy lists: which entry serves which scheme.
#include "proxy_setting.h"

#include <gtest/gtest.h>

using platform::inet::proxyForScheme;

TEST(ProxyList, EntryOfTheSchemeElseTheGeneralOne) {
    EXPECT_EQ("http://proxy:8080", proxyForScheme("proxy:8080", "https"));
    EXPECT_EQ("http://a:1", proxyForScheme("http=a:1 https=b:2", "http"));
    EXPECT_EQ("http://b:2", proxyForScheme("http=a:1;https=http://b:2", "https"));
    EXPECT_EQ("http://any:3", proxyForScheme("ftp=f:21; any:3", "https"));
    EXPECT_EQ("", proxyForScheme("https=b:2", "http"));
    EXPECT_EQ("", proxyForScheme("", "http"));
}
