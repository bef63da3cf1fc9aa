// What InternetAttemptConnect decides from: the user's switch to work
// offline and the machine's network interfaces.
#pragma once

#include <string>
#include <vector>

namespace platform::inet {

struct NetworkInterface {
    std::string name;
    bool up = false;         // up and running
    bool loopback = false;
    bool addressed = false;  // has an IPv4 or IPv6 address
};

// One entry per address the system reports, so an interface may appear
// more than once; empty when the list cannot be read.
std::vector<NetworkInterface> networkInterfaces();
// True when an interface other than loopback is up with an address.
bool hasNetwork(const std::vector<NetworkInterface>& interfaces);
// The DWORD "GlobalUserOffline" is set and not 0 in the key
// HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings.
bool userWorksOffline();

}  // namespace platform::inet
