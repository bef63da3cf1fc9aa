// The issued certificates installed with their CA bundle, and a CA bundle
// as PEM certificates; the texts in the session's code page.
#include <string>

#include "export_session.h"
#include "export_text.h"
#include "pentak_exports.h"

using namespace pentak::exports;
using pentak::codeOf;

HRESULT Pentak_EnrollX509(const char* certificate, const char* caCmf, LONG flags) {
    return codeOn(true, [&](CEnroll& s) {
        const std::u16string user = sessionText(s, certificate);
        const std::u16string cas = sessionText(s, caCmf);
        return s.EnrollX509(user, cas, static_cast<DWORD>(flags));
    });
}

HRESULT Pentak_CmfToPem(const char* cmf, char* buffer, DWORD* length) {
    return onSession(filled(cmf) && given(length), [&](CEnroll& s) {
        const std::u16string bundle = sessionText(s, cmf);
        return giveOnSuccess(NarrowOut(s, buffer, length),
                             [&](std::u16string& pem) { return codeOf([&] { return s.CmfToPem(bundle, pem); }); });
    });
}
