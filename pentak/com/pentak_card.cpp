// CPentak's members over the card in the reader: its provider, its number
// and the prepared request stored on it.
#include "automation_text.h"
#include "pentak_class.h"
#include "text_results.h"

using pentak::codeGivingText;
using pentak::flagOf;
using pentak::textOf;

HRESULT CPentak::GetPresentCardCSP(BSTR* bstrCSP) {
    return codeGivingText(bstrCSP, [&](std::u16string& text) { return CEnroll::GetPresentCardCSP(text); });
}

HRESULT CPentak::GetCardNumber(BSTR* bstrCardNumber) {
    return codeGivingText(bstrCardNumber, [&](std::u16string& text) { return CEnroll::GetCardNumber(text); });
}

HRESULT CPentak::RequestImport(BSTR bstrReq) {
    return flagOf([&] { return CEnroll::RequestImport(textOf(bstrReq)); });
}
