#include "user_stores.h"

#include "platform/win_error.h"
#include "win32/error.h"

namespace platform::cryptui {

HeldStore openUserStore(const UserStore& store) {
    HeldStore opened(CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, store.name));
    if (!opened) throw WinError(GetLastError(), std::string("cannot open the store ") + store.name);
    return opened;
}

}  // namespace platform::cryptui
