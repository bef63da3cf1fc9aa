// The current user's system stores the dialogs show and fill, with the
// names users know them by.
#pragma once

#include <array>
#include <string>

#include "certificate_texts.h"

namespace platform::cryptui {

struct UserStore {
    const char* name;
    const char* label;
};

// The manager's tabs in their order; a certificate can be installed into
// the first four.
inline constexpr std::array<UserStore, 5> kUserStores{{
    {"MY", "Osobní"},
    {"AddressBook", "Ostatní uživatelé"},
    {"CA", "Zprostředkující certifikační autority"},
    {"Root", "Důvěryhodné kořenové certifikační autority"},
    {"REQUEST", "Žádosti o zápis certifikátů"},
}};
inline constexpr std::size_t kInstallableStores = 4;

// Throws WinError when the store cannot be opened.
HeldStore openUserStore(const UserStore& store);

}  // namespace platform::cryptui
