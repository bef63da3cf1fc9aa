// The functions whose session operations are not built yet: each makes the
// checks every function makes and answers E_NOTIMPL, touching nothing.
#include "export_session.h"
#include "pentak_exports.h"

using namespace pentak::exports;

HRESULT Pentak_GetPresentCardCSP(char*, DWORD* length) { return notBuilt(given(length)); }
HRESULT Pentak_RequestImport(const char* request) { return notBuilt(given(request)); }
HRESULT Pentak_GetCardNumber(char*, DWORD* length) { return notBuilt(given(length)); }
