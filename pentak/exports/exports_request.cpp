// The PKCS#10 request of the session's key: its subject, attributes and
// requested extensions, and the signed request. The session takes OIDs as
// ANSI bytes, so ANSI OIDs pass unchanged.
#include <string>

#include "export_session.h"
#include "export_text.h"
#include "pentak_exports.h"

using namespace pentak::exports;
using pentak::flagOf;

HRESULT Pentak_AddSubjectAttribute(const char* oid, const char* value) {
    return flagOn(given(oid) && given(value),
                  [&](CEnroll& s) { return s.AddSubjectAttribute(rawOf(oid), sessionText(s, value)); });
}
HRESULT Pentak_AddSubjectAttributeW(const char16_t* oid, const char16_t* value) {
    return flagOn(given(oid) && given(value),
                  [&](CEnroll& s) { return s.AddSubjectAttribute(ansiOf(oid), viewOf(value)); });
}
HRESULT Pentak_RemoveSubjectAttribute(const char* oid) {
    return flagOn(given(oid), [&](CEnroll& s) { return s.RemoveSubjectAttribute(rawOf(oid)); });
}

HRESULT Pentak_AddAttribute_CSPInfo() {
    return flagOn(true, [](CEnroll& s) { return s.AddAttribute_CSPInfo(); });
}
HRESULT Pentak_AddAttribute_SmartCardInfo() {
    return flagOn(true, [](CEnroll& s) { return s.AddAttribute_SmartCardInfo(); });
}
HRESULT Pentak_AddAttribute_SmartCardInfoSC() {
    return flagOn(true, [](CEnroll& s) { return s.AddAttribute_SmartCardInfoSC(); });
}
HRESULT Pentak_AddAttribute_KavloCardInfo() {
    return flagOn(true, [](CEnroll& s) { return s.AddAttribute_KavloCardInfo(); });
}

HRESULT Pentak_RequestedExtension_KeyUsage_SetBit(LONG bit) {
    return flagOn(true, [&](CEnroll& s) { return s.RequestedExtension_KeyUsage_SetBit(static_cast<DWORD>(bit)); });
}
HRESULT Pentak_RequestedExtension_KeyUsage_Reset() {
    return flagOn(true, [](CEnroll& s) { return s.RequestedExtension_KeyUsage_Reset(); });
}
HRESULT Pentak_RequestedExtension_ExtKeyUsage_AddOid(const char* oid) {
    return flagOn(given(oid), [&](CEnroll& s) { return s.RequestedExtension_ExtKeyUsage_AddOid(rawOf(oid)); });
}
HRESULT Pentak_RequestedExtension_SubjectAltName_Add(LONG type, const char* value) {
    return flagOn(given(value), [&](CEnroll& s) {
        return s.RequestedExtension_SubjectAltName_Add(static_cast<DWORD>(type), sessionText(s, value));
    });
}
HRESULT Pentak_RequestedExtension_SubjectAltName_OtherName_Add(const char* oid, const char* value) {
    return flagOn(given(oid) && given(value), [&](CEnroll& s) {
        return s.RequestedExtension_SubjectAltName_OtherName_Add(rawOf(oid), sessionText(s, value));
    });
}
HRESULT Pentak_RequestedExtension_SubjectAltName_OtherName_AddW(const char16_t* oid, const char16_t* value) {
    return flagOn(given(oid) && given(value), [&](CEnroll& s) {
        return s.RequestedExtension_SubjectAltName_OtherName_Add(ansiOf(oid), viewOf(value));
    });
}
HRESULT Pentak_RequestedExtension_CRLDistributionPoint_Add(LONG type, const char* address) {
    return flagOn(given(address), [&](CEnroll& s) {
        return s.RequestedExtension_CRLDistributionPoint_Add(static_cast<DWORD>(type), ansiText(address));
    });
}
HRESULT Pentak_RequestedExtension_SetCritical(const char* oid, LONG critical) {
    return flagOn(given(oid), [&](CEnroll& s) { return s.RequestedExtension_SetCritical(rawOf(oid), critical); });
}

HRESULT Pentak_CreatePKCS10(char* buffer, DWORD* length) {
    return onSession(given(length), [&](CEnroll& s) {
        return giveKeptOrRun(NarrowOut(s, buffer, length), callKey(u"CreatePKCS10"),
                             [&](std::u16string& request) { return flagOf([&] { return s.CreatePKCS10(request); }); });
    });
}

HRESULT Pentak_X509SubjectToPersonalReqTesk(const char* certificate, const char16_t* givenName,
                                            const char16_t* surname) {
    return codeOn(given(certificate), [&](CEnroll& s) {
        return s.X509SubjectToPersonalReqTesk(ansiText(certificate), viewOf(givenName), viewOf(surname));
    });
}
HRESULT Pentak_X509SubjectToReqTesk(const char* certificate) {
    return codeOn(given(certificate), [&](CEnroll& s) { return s.X509SubjectToReqTesk(ansiText(certificate)); });
}
HRESULT X509MergeSubjectToPersonalReqTesk(const char* masterCertificate, const char* copyCertificate,
                                          const char* subjectOids, const char16_t* givenName,
                                          const char16_t* surname) {
    return codeOn(given(masterCertificate), [&](CEnroll& s) {
        return s.X509MergeSubjectToPersonalReqTesk(ansiText(masterCertificate), ansiText(copyCertificate),
                                                   rawOf(subjectOids), viewOf(givenName), viewOf(surname));
    });
}
