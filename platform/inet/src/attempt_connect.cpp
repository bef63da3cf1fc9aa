// attempt_connect.cpp: InternetAttemptConnect, whether the machine is
// online: not when the user works offline or no network is up.
#include "online_state.h"
#include "win32/inet.h"

using namespace platform::inet;

DWORD InternetAttemptConnect(DWORD) noexcept {
    try {
        if (userWorksOffline() || !hasNetwork(networkInterfaces())) return ERROR_INTERNET_DISCONNECTED;
        return ERROR_SUCCESS;
    } catch (...) {
        return ERROR_INTERNET_INTERNAL_ERROR;
    }
}
