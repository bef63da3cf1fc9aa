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

HRESULT Pentak_UnInitializePerThread() {
    CoUninitialize();
    return S_OK;
}
