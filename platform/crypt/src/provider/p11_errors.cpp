// A wrong PIN is SCARD_E_INVALID_CHV, the code the system's signing code
// tests for a wrong PIN (with NTE_PERM); a locked PIN SCARD_W_CHV_BLOCKED.
#include "p11_errors.h"

#include <cstdio>
#include <string>

#include "platform/win_error.h"

namespace platform::crypt::p11 {

DWORD winCodeOf(CK_RV rv) noexcept {
    switch (rv) {
    case CKR_PIN_INCORRECT:
    case CKR_PIN_INVALID:
    case CKR_PIN_LEN_RANGE:
        return static_cast<DWORD>(SCARD_E_INVALID_CHV);
    case CKR_PIN_LOCKED: return static_cast<DWORD>(SCARD_W_CHV_BLOCKED);

    case CKR_FUNCTION_CANCELED: return static_cast<DWORD>(SCARD_W_CANCELLED_BY_USER);
    case CKR_TOKEN_NOT_PRESENT:
    case CKR_DEVICE_REMOVED:
    case CKR_SLOT_ID_INVALID:
        return static_cast<DWORD>(SCARD_E_NO_SMARTCARD);
    case CKR_TOKEN_NOT_RECOGNIZED: return static_cast<DWORD>(SCARD_E_UNKNOWN_CARD);
    case CKR_TOKEN_WRITE_PROTECTED: return static_cast<DWORD>(SCARD_W_SECURITY_VIOLATION);
    case CKR_USER_NOT_LOGGED_IN:
    case CKR_USER_PIN_NOT_INITIALIZED:
        return static_cast<DWORD>(SCARD_W_CARD_NOT_AUTHENTICATED);
    case CKR_DEVICE_MEMORY: return static_cast<DWORD>(NTE_TOKEN_KEYSET_STORAGE_FULL);
    case CKR_HOST_MEMORY: return static_cast<DWORD>(NTE_NO_MEMORY);
    case CKR_KEY_HANDLE_INVALID:
    case CKR_OBJECT_HANDLE_INVALID:
        return static_cast<DWORD>(NTE_BAD_KEY);
    case CKR_KEY_SIZE_RANGE: return static_cast<DWORD>(NTE_BAD_FLAGS);
    case CKR_MECHANISM_INVALID: return static_cast<DWORD>(NTE_BAD_ALGID);
    case CKR_DATA_LEN_RANGE: return static_cast<DWORD>(NTE_BAD_LEN);
    case CKR_ATTRIBUTE_TYPE_INVALID:
    case CKR_ATTRIBUTE_VALUE_INVALID:
        return static_cast<DWORD>(NTE_BAD_DATA);
    default: return static_cast<DWORD>(NTE_FAIL);
    }
}

void check(CK_RV rv, std::string_view call) {
    if (rv == CKR_OK) return;
    char value[48];
    std::snprintf(value, sizeof value, " failed with CKR 0x%lx", rv);
    throw WinError(winCodeOf(rv), std::string(call) + value);
}

}  // namespace platform::crypt::p11
