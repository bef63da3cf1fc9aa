// online_state.cpp: the network interfaces (getifaddrs) and the offline
// switch (the registry).
#include "online_state.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

#include <algorithm>

#include "platform/owned.h"
#include "win32/registry.h"

namespace platform::inet {

std::vector<NetworkInterface> networkInterfaces() {
    std::vector<NetworkInterface> found;
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0) return found;
    const Owned<ifaddrs, freeifaddrs> list(raw);
    for (const ifaddrs* entry = list.get(); entry; entry = entry->ifa_next) {
        const int family = entry->ifa_addr ? entry->ifa_addr->sa_family : AF_UNSPEC;
        found.push_back({entry->ifa_name ? entry->ifa_name : "", (entry->ifa_flags & IFF_UP) && (entry->ifa_flags & IFF_RUNNING),
                         (entry->ifa_flags & IFF_LOOPBACK) != 0, family == AF_INET || family == AF_INET6});
    }
    return found;
}

bool hasNetwork(const std::vector<NetworkInterface>& interfaces) {
    return std::any_of(interfaces.begin(), interfaces.end(),
                       [](const NetworkInterface& i) { return i.up && !i.loopback && i.addressed; });
}

bool userWorksOffline() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, value = 0, size = sizeof value;
    const LONG rc = RegQueryValueExW(key, u"GlobalUserOffline", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value && value != 0;
}

}  // namespace platform::inet
