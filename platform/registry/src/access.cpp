#include "access.h"

#include "platform/win_error.h"
#include "win32/files.h"

namespace platform::registry {

namespace {
constexpr REGSAM kMaximumAllowed = 0x02000000;
}

REGSAM grantedAccess(REGSAM desired) noexcept {
    REGSAM granted = desired & ~(KEY_WOW64_32KEY | KEY_WOW64_64KEY | GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE |
                                 GENERIC_ALL | kMaximumAllowed);
    if (desired & GENERIC_READ) granted |= KEY_READ;
    if (desired & GENERIC_WRITE) granted |= KEY_WRITE;
    if (desired & GENERIC_EXECUTE) granted |= KEY_EXECUTE;
    if (desired & (GENERIC_ALL | kMaximumAllowed)) granted |= kAllAccess;
    return granted;
}

void requireAccess(REGSAM granted, REGSAM needed) {
    if ((granted & needed) != needed) throw WinError(ERROR_ACCESS_DENIED, "key not opened with the needed access");
}

}  // namespace platform::registry
