// The user's certificates: listed, picked and shown, their names and values
// as text, whether one issued another, the CSP store loaded, and
// certificates and containers removed from cards.
#include <string>

#include "export_session.h"
#include "export_text.h"
#include "pentak_exports.h"

using namespace pentak::exports;
using pentak::codeOf;
using pentak::flagOf;

namespace {

// A certificate text over the CA list, by the session step
// step(session, caList, text) that answers with a result code.
template <class Char, class Step>
HRESULT certificateText(const Char* caCerts, Char* buffer, DWORD* length, Step&& step) {
    return onSession(given(length), [&](CEnroll& s) {
        const std::u16string cas = textIn(s, caCerts);
        return giveOnSuccess(outOf(s, buffer, length),
                             [&](std::u16string& text) { return codeOf([&] { return step(s, cas, text); }); });
    });
}

template <class Char>
HRESULT enumCerts(LONG index, const Char* caCerts, LONG fromCspStore, Char* buffer, DWORD* length) {
    return certificateText(caCerts, buffer, length, [&](CEnroll& s, const std::u16string& cas, std::u16string& text) {
        return s.EnumCertsEx(index, cas, fromCspStore, text);
    });
}

template <class Char>
HRESULT parseSubject(const Char* certificate, LONG type, Char* buffer, DWORD* length) {
    return onSession(given(certificate) && given(length), [&](CEnroll& s) {
        const std::u16string text = textIn(s, certificate);
        return giveOnSuccess(outOf(s, buffer, length), [&](std::u16string& subject) {
            return flagOf([&] { return s.ParseCertSubjectToStr(text, static_cast<DWORD>(type), subject); });
        });
    });
}

template <class Char>
HRESULT certificateValue(const Char* certificate, LONG type, Char* buffer, DWORD* length) {
    return onSession(given(certificate) && given(length), [&](CEnroll& s) {
        const std::u16string text = textIn(s, certificate);
        return giveOnSuccess(outOf(s, buffer, length), [&](std::u16string& value) {
            return codeOf([&] { return s.GetCertVal(text, type, value); });
        });
    });
}

}  // namespace

HRESULT Pentak_CSPLoadStore(LONG full, LONG* count) {
    return onSession(given(count), [&](CEnroll& s) {
        LONG loaded = 0;
        const HRESULT hr = codeOf([&] { return s.CSPLoadStore(full, loaded); });
        if (SUCCEEDED(hr)) *count = loaded;
        return hr;
    });
}

HRESULT Pentak_EnumCertsEx(LONG index, const char* caCerts, LONG boolCspStore, char* buffer, DWORD* length) {
    return enumCerts(index, caCerts, boolCspStore, buffer, length);
}
HRESULT Pentak_EnumCertsExW(LONG index, const char16_t* caCerts, LONG boolCspStore, char16_t* buffer,
                            DWORD* length) {
    return enumCerts(index, caCerts, boolCspStore, buffer, length);
}
HRESULT Pentak_EnumCerts(LONG index, const char* caCerts, char* buffer, DWORD* length) {
    return enumCerts(index, caCerts, 0, buffer, length);
}
HRESULT Pentak_EnumCertsW(LONG index, const char16_t* caCerts, char16_t* buffer, DWORD* length) {
    return enumCerts(index, caCerts, 0, buffer, length);
}

HRESULT Pentak_GetCertEx(LONG index, const char* caCerts, LONG boolCspStore, char* buffer, DWORD* length) {
    return certificateText(caCerts, buffer, length, [&](CEnroll& s, const std::u16string& cas, std::u16string& text) {
        return s.GetCertEx(index, cas, boolCspStore, text);
    });
}
HRESULT Pentak_GetCert(LONG index, const char* caCerts, char* buffer, DWORD* length) {
    return Pentak_GetCertEx(index, caCerts, 0, buffer, length);
}

// The user chooses once: the size query's choice answers the call after it.
HRESULT Pentak_SelectCertEx(const char* caCerts, LONG boolCspStore, char* buffer, DWORD* length) {
    return onSession(given(length), [&](CEnroll& s) {
        const std::u16string cas = sessionText(s, caCerts);
        return giveKeptOrRun(NarrowOut(s, buffer, length), callKey(u"SelectCertEx", cas, boolCspStore),
                             [&](std::u16string& text) { return codeOf([&] { return s.SelectCertEx(cas, boolCspStore, text); }); });
    });
}
HRESULT Pentak_SelectCert(const char* caCerts, char* buffer, DWORD* length) {
    return Pentak_SelectCertEx(caCerts, 0, buffer, length);
}

HRESULT Pentak_ViewCert(const char* certificate) {
    return codeOn(given(certificate), [&](CEnroll& s) { return s.ViewCert(ansiText(certificate)); });
}

HRESULT Pentak_ParseCertSubjectToStr(const char* certificate, LONG type, char* buffer, DWORD* length) {
    return parseSubject(certificate, type, buffer, length);
}
HRESULT Pentak_ParseCertSubjectToStrW(const char16_t* certificate, LONG type, char16_t* buffer, DWORD* length) {
    return parseSubject(certificate, type, buffer, length);
}

HRESULT Pentak_DeleteCertificate(const char16_t* certificate) {
    return codeOn(filled(certificate), [&](CEnroll& s) { return s.DeleteCertificate(viewOf(certificate)); });
}

HRESULT Pentak_DeleteExpiredCertificates(LONG days) {
    // A negative count would read as some hundred years' worth of days.
    return codeOn(days >= 0, [&](CEnroll& s) { return s.DeleteExpiredCertificates(static_cast<DWORD>(days)); });
}

HRESULT Pentak_DeleteObsoleteContent() {
    return codeOn(true, [](CEnroll& s) { return s.DeleteObsoleteContent(); });
}

HRESULT Pentak_GetCertVal(const char* certificate, LONG type, char* buffer, DWORD* length) {
    return certificateValue(certificate, type, buffer, length);
}
HRESULT Pentak_GetCertValW(const char16_t* certificate, LONG type, char16_t* buffer, DWORD* length) {
    return certificateValue(certificate, type, buffer, length);
}

// The answer is written also when the step failed (then 0).
HRESULT Pentak_IsIssued(const char* certificate, const char* issuer, LONG* issued) {
    return onSession(given(certificate) && given(issuer) && given(issued), [&](CEnroll& s) {
        BOOL answer = FALSE;
        const HRESULT hr = codeOf([&] { return s.IsIssued(ansiText(certificate), ansiText(issuer), answer); });
        *issued = answer;
        return hr;
    });
}
