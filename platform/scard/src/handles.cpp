#include "handles.h"

#include "win32/error_codes.h"

namespace platform::scard {

HandleTable<Context>& contexts() {
    static HandleTable<Context> table(static_cast<DWORD>(SCARD_E_INVALID_HANDLE));
    return table;
}

HandleTable<Card>& cards() {
    static HandleTable<Card> table(static_cast<DWORD>(SCARD_E_INVALID_HANDLE), 0x2000);
    return table;
}

void requireContextOrNull(SCARDCONTEXT hContext) {
    if (hContext != 0) contexts().get(hContext);
}

}  // namespace platform::scard
