// The session's life and the threads' COM apartments.
#include "export_session.h"
#include "pentak_exports.h"
#include "win32/com.h"

using namespace pentak::exports;

HRESULT Pentak_Initialize() { return startSession() ? S_OK : E_HANDLE; }

HRESULT Pentak_UnInitialize() {
    endSession();
    return S_OK;
}

HRESULT Pentak_InitializePerThread() { return CoInitialize(nullptr); }

// The session's COM objects live in the apartment of the thread that made
// them; they go before it does, as the server modules behind them may be
// unloaded with it. The next thread that needs one makes it again.
HRESULT Pentak_UnInitializePerThread() {
    if (CEnroll* session = currentSession()) session->HsmEngine_Release();
    CoUninitialize();
    return S_OK;
}
