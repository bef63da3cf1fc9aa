// The card in the reader: its provider and number, given in the session's
// code page, and the prepared request (ANSI) stored on it.
#include "export_session.h"
#include "export_text.h"
#include "pentak_exports.h"

using namespace pentak::exports;
using pentak::codeOf;

namespace {

// A text of the session step step(session, text) that answers with a
// result code.
template <class Step>
HRESULT cardText(char* buffer, DWORD* length, Step&& step) {
    return onSession(given(length), [&](CEnroll& s) {
        return giveOnSuccess(NarrowOut(s, buffer, length),
                             [&](std::u16string& text) { return codeOf([&] { return step(s, text); }); });
    });
}

}  // namespace

HRESULT Pentak_GetPresentCardCSP(char* buffer, DWORD* length) {
    return cardText(buffer, length, [](CEnroll& s, std::u16string& text) { return s.GetPresentCardCSP(text); });
}

HRESULT Pentak_GetCardNumber(char* buffer, DWORD* length) {
    return cardText(buffer, length, [](CEnroll& s, std::u16string& text) { return s.GetCardNumber(text); });
}

HRESULT Pentak_RequestImport(const char* request) {
    return flagOn(given(request), [&](CEnroll& s) { return s.RequestImport(ansiText(request)); });
}
