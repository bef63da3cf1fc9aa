// CPentak's members over the extensions the session's request asks for:
// key usage, extended key usage, policies, alternative names, CRL
// distribution points, and extensions given as they are.
#include "automation_text.h"
#include "pentak_class.h"
#include "result_rules.h"

using pentak::flagOf;
using pentak::textOf;
using pentak::withAnsi;

HRESULT CPentak::RequestedExtension_KeyUsage_SetBit(LONG bit) {
    return flagOf([&] { return CEnroll::RequestedExtension_KeyUsage_SetBit(static_cast<DWORD>(bit)); });
}

// Clearing the bits cannot fail; callers are told so whatever happens.
HRESULT CPentak::RequestedExtension_KeyUsage_Reset() {
    CEnroll::RequestedExtension_KeyUsage_Reset();
    return S_OK;
}

HRESULT CPentak::RequestedExtension_ExtKeyUsage_AddOid(BSTR oid) {
    return withAnsi(oid, [&](std::string_view oidText) {
        return flagOf([&] { return CEnroll::RequestedExtension_ExtKeyUsage_AddOid(oidText); });
    });
}

HRESULT CPentak::RequestedExtension_CertPolicies_AddOid(BSTR oid) {
    return withAnsi(oid, [&](std::string_view oidText) {
        return flagOf([&] { return CEnroll::RequestedExtension_CertPolicies_AddOid(oidText); });
    });
}

HRESULT CPentak::RequestedExtension_SubjectAltName_Add(LONG type, BSTR data) {
    return flagOf(
        [&] { return CEnroll::RequestedExtension_SubjectAltName_Add(static_cast<DWORD>(type), textOf(data)); });
}

HRESULT CPentak::RequestedExtension_SubjectAltName_OtherName_Add(BSTR oid, BSTR data) {
    return withAnsi(oid, [&](std::string_view oidText) {
        return flagOf([&] { return CEnroll::RequestedExtension_SubjectAltName_OtherName_Add(oidText, textOf(data)); });
    });
}

HRESULT CPentak::RequestedExtension_CRLDistributionPoint_Add(LONG type, BSTR data) {
    return flagOf(
        [&] { return CEnroll::RequestedExtension_CRLDistributionPoint_Add(static_cast<DWORD>(type), textOf(data)); });
}

HRESULT CPentak::RequestedExtension_SetCritical(BSTR oid, INT critical) {
    return withAnsi(oid, [&](std::string_view oidText) {
        return flagOf([&] { return CEnroll::RequestedExtension_SetCritical(oidText, critical); });
    });
}

HRESULT CPentak::RequestedExtension_Add(BSTR oid, INT critical, BSTR hexData) {
    return withAnsi(oid, [&](std::string_view oidText) {
        return withAnsi(hexData, [&](std::string_view hex) {
            return flagOf([&] { return CEnroll::RequestedExtension_Add(oidText, critical, hex); });
        });
    });
}
