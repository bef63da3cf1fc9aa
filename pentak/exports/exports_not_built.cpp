// The functions whose session operations are not built yet: each makes the
// checks every function makes and answers E_NOTIMPL, touching nothing.
#include "export_session.h"
#include "pentak_exports.h"

using namespace pentak::exports;

HRESULT Pentak_SetSignCert(const char* certificate) { return notBuilt(filled(certificate)); }
HRESULT Pentak_EnrollX509(const char*, const char*, LONG) { return notBuilt(true); }
HRESULT Pentak_CmfToPem(const char* cmf, char*, DWORD* length) { return notBuilt(filled(cmf) && given(length)); }
HRESULT Pentak_IsIssued(const char* certificate, const char* issuer, LONG* issued) {
    return notBuilt(given(certificate) && given(issuer) && given(issued));
}
HRESULT Pentak_GetCertVal(const char* certificate, LONG, char*, DWORD* length) {
    return notBuilt(given(certificate) && given(length));
}
HRESULT Pentak_GetCertValW(const char16_t* certificate, LONG, char16_t*, DWORD* length) {
    return notBuilt(given(certificate) && given(length));
}
HRESULT Pentak_Sign(const char* certificate, const char* message, char*, DWORD* length) {
    return notBuilt(filled(certificate) && filled(message) && given(length));
}
HRESULT Pentak_SignW(const char16_t* certificate, const char16_t* message, char16_t*, DWORD* length) {
    return notBuilt(filled(certificate) && filled(message) && given(length));
}
