// Message signing: a message signed with a certificate the user holds, and
// the signing certificate set with the key it names.
#include <string>

#include "export_session.h"
#include "export_text.h"
#include "pentak_exports.h"

using namespace pentak::exports;
using pentak::codeOf;

namespace {

template <class Char>
HRESULT sign(const Char* certificate, const Char* message, Char* buffer, DWORD* length) {
    return onSession(filled(certificate) && filled(message) && given(length), [&](CEnroll& s) {
        const std::u16string signer = textIn(s, certificate), content = textIn(s, message);
        return giveKeptOrRun(outOf(s, buffer, length), callKey(u"Sign", signer, content), [&](std::u16string& text) {
            return codeOf([&] { return s.Sign(signer, content, text); });
        });
    });
}

}  // namespace

HRESULT Pentak_SetSignCert(const char* certificate) {
    return codeOn(filled(certificate), [&](CEnroll& s) { return s.SetSignCert(ansiText(certificate)); });
}

HRESULT Pentak_Sign(const char* certificate, const char* message, char* buffer, DWORD* length) {
    return sign(certificate, message, buffer, length);
}
HRESULT Pentak_SignW(const char16_t* certificate, const char16_t* message, char16_t* buffer, DWORD* length) {
    return sign(certificate, message, buffer, length);
}
