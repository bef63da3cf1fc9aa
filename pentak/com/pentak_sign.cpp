// CPentak's members over message signing: a message signed with a given
// certificate, or with SignCert over MessageTBS into SignedMessage, and the
// signing certificate set with the key it names.
#include "automation_text.h"
#include "pentak_class.h"
#include "text_results.h"

using pentak::codeGivingText;
using pentak::codeOf;
using pentak::textOf;

HRESULT CPentak::Sign(BSTR cert, BSTR message, BSTR* signedMessage) {
    return codeGivingText(signedMessage, [&](std::u16string& text) {
        return CEnroll::Sign(textOf(cert), textOf(message), text);
    });
}

HRESULT CPentak::DoSign() {
    return codeOf([&] {
        std::u16string signedText;
        return CEnroll::Sign(GetSignCert().value_or(u""), GetMessageTBS().value_or(u""), signedText);
    });
}

HRESULT CPentak::put_SignCert(BSTR cert) {
    return codeOf([&] { return CEnroll::SetSignCert(textOf(cert)); });
}
