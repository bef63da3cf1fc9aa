// Resource-manager contexts and the memory handed out with them.
#include "handles.h"
#include "out_text.h"
#include "platform/boundary.h"
#include "result_codes.h"
#include "win32/error_codes.h"
#include "win32/scard.h"

using namespace platform;
using namespace platform::scard;

LONG SCardEstablishContext(DWORD dwScope, LPCVOID, LPCVOID, LPSCARDCONTEXT phContext) noexcept {
    return winLong([&] {
        if (!phContext) throw WinError(SCARD_E_INVALID_PARAMETER, "null context pointer");
        lite::Handle context = 0;
        check(lite::establishContext(dwScope, context), "SCardEstablishContext");
        *phContext = contexts().add(std::make_shared<Context>(Context{context}));
    });
}

LONG SCardReleaseContext(SCARDCONTEXT hContext) noexcept {
    return winLong([&] { check(lite::releaseContext(contexts().remove(hContext)->lite), "SCardReleaseContext"); });
}

LONG SCardIsValidContext(SCARDCONTEXT hContext) noexcept {
    return winLong([&] { check(lite::isValidContext(contexts().get(hContext)->lite), "SCardIsValidContext"); });
}

LONG SCardCancel(SCARDCONTEXT hContext) noexcept {
    return winLong([&] { check(lite::cancel(contexts().get(hContext)->lite), "SCardCancel"); });
}

LONG SCardFreeMemory(SCARDCONTEXT hContext, LPCVOID pvMem) noexcept {
    return winLong([&] {
        requireContextOrNull(hContext);
        if (pvMem && !freeAutoAllocated(pvMem))
            throw WinError(SCARD_E_INVALID_PARAMETER, "not a block from SCARD_AUTOALLOCATE");
    });
}
