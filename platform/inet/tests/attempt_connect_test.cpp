// InternetAttemptConnect says "offline" when the user works offline or no
// network beyond loopback is up.
#include <gtest/gtest.h>

#include "online_state.h"
#include "testkit/platform_root.h"
#include "win32/inet.h"
#include "win32/registry.h"

using platform::inet::hasNetwork;
using platform::inet::NetworkInterface;

namespace {

void setWorkOffline(DWORD value) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER,
                                             u"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                                             nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"GlobalUserOffline", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                            sizeof value));
    RegCloseKey(key);
}

}  // namespace

TEST(AttemptConnect, OnlyAnAddressedInterfaceBeyondLoopbackIsANetwork) {
    const NetworkInterface loopback{"lo", true, true, true};
    const NetworkInterface down{"eth0", false, false, true};
    const NetworkInterface bare{"eth1", true, false, false};
    const NetworkInterface up{"eth0", true, false, true};
    EXPECT_FALSE(hasNetwork({}));
    EXPECT_FALSE(hasNetwork({loopback, down, bare}));
    EXPECT_TRUE(hasNetwork({loopback, down, up}));
}

TEST(AttemptConnect, WorkingOfflineFailsEveryAttemptUntilSwitchedBack) {
    const testkit::PlatformRoot root;
    const DWORD online = hasNetwork(platform::inet::networkInterfaces()) ? ERROR_SUCCESS : ERROR_INTERNET_DISCONNECTED;
    EXPECT_EQ(online, InternetAttemptConnect(0));
    setWorkOffline(1);
    EXPECT_EQ(ERROR_INTERNET_DISCONNECTED, InternetAttemptConnect(0));
    setWorkOffline(0);
    EXPECT_EQ(online, InternetAttemptConnect(0));
}
