// CEnroll: the session's HSM engine. Each member forwards to the engine
// client and turns its truth value into a result code with the thread's
// last error.
#include "enroll.h"

#include <utility>

#include "win32/error.h"

namespace {

// The argument is evaluated first, so the last error is the call's.
DWORD resultOf(bool ok) { return CEnroll::ResultFromStatus(ok, GetLastError()); }

}  // namespace

DWORD CEnroll::HsmEngine_Init(std::u16string_view url, std::u16string_view device, LONG comPort) {
    return resultOf(m_hsmEngine.Init(url, device, comPort));
}

DWORD CEnroll::HsmEngine_TestConnection() { return resultOf(m_hsmEngine.TestConnection()); }

DWORD CEnroll::HsmEngine_GetRootList(std::u16string& rootList) {
    std::u16string list;
    const DWORD result = resultOf(m_hsmEngine.GetRootList(list));
    if (result == 0) rootList = std::move(list);
    return result;
}

DWORD CEnroll::HsmEngine_WriteRoot(std::u16string_view certFileName) {
    return resultOf(m_hsmEngine.WriteRoot(certFileName));
}
