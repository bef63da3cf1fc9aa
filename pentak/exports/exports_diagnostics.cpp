// The process-wide diagnostic text and its level, shared by the exported
// session and every COM object of the process.
#include <string>

#include "export_session.h"
#include "export_text.h"
#include "my_error.h"
#include "pentak_exports.h"

using namespace pentak::exports;

HRESULT Pentak_GetErrorLevel(LONG* level) {
    return onSession(given(level), [&](CEnroll&) {
        *level = CMyError::Instance().GetLevel();
        return S_OK;
    });
}
HRESULT Pentak_SetErrorLevel(LONG level) {
    return onSession(true, [&](CEnroll&) {
        CMyError::Instance().SetLevel(level);
        return S_OK;
    });
}

HRESULT Pentak_GetError(char* buffer, DWORD* length) {
    return onSession(given(length),
                     [&](CEnroll& s) { return NarrowOut(s, buffer, length).give(CMyError::Instance().GetText()); });
}
HRESULT Pentak_GetErrorW(char16_t* buffer, DWORD* length) {
    return onSession(given(length),
                     [&](CEnroll&) { return WideOut(buffer, length).give(CMyError::Instance().GetText()); });
}

// A null text empties it.
HRESULT Pentak_SetError(const char* text) {
    return onSession(true, [&](CEnroll& s) {
        CMyError::Instance().SetText(sessionText(s, text));
        return S_OK;
    });
}
HRESULT Pentak_SetErrorW(const char16_t* text) {
    return onSession(true, [&](CEnroll&) {
        CMyError::Instance().SetText(std::u16string(viewOf(text)));
        return S_OK;
    });
}
