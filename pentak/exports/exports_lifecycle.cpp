// The session's life and the threads' COM apartments.
#include "export_session.h"
#include "pentak_exports.h"
#include "win32/com.h"

using namespace pentak::exports;

// Each is a call of its own, so that what a size query kept before it is
// not given to the call after it: a kept text never passes from one
// session to the next, nor across the session's thread state.
HRESULT Pentak_Initialize() {
    noteSessionCall();
    return startSession() ? S_OK : E_HANDLE;
}

HRESULT Pentak_UnInitialize() {
    noteSessionCall();
    endSession();
    return S_OK;
}

HRESULT Pentak_InitializePerThread() {
    noteSessionCall();
    return CoInitialize(nullptr);
}

// The session's COM objects live in the apartment of the thread that made
// them; they go before it does, as the server modules behind them may be
// unloaded with it. The next thread that needs one makes it again.
HRESULT Pentak_UnInitializePerThread() {
    noteSessionCall();
    if (CEnroll* session = currentSession()) session->HsmEngine_Release();
    CoUninitialize();
    return S_OK;
}
