// CPentak's members over the request attributes of the session's request,
// and the signed request itself.
#include "automation_text.h"
#include "pentak_class.h"
#include "result_rules.h"
#include "text_results.h"

using pentak::flagGivingText;
using pentak::flagOf;
using pentak::textOf;
using pentak::withAnsi;

HRESULT CPentak::AddAttribute_String(BSTR oid, BSTR data) {
    return withAnsi(oid, [&](std::string_view oidText) {
        return flagOf([&] { return CEnroll::AddAttribute_String(oidText, textOf(data)); });
    });
}

HRESULT CPentak::AddAttribute_StringSHA1(BSTR oid, BSTR data) {
    return withAnsi(oid, [&](std::string_view oidText) {
        return flagOf([&] { return CEnroll::AddAttribute_StringSHA1(oidText, textOf(data)); });
    });
}

HRESULT CPentak::AddAttribute_CSPInfo() {
    return flagOf([&] { return CEnroll::AddAttribute_CSPInfo(); });
}

HRESULT CPentak::AddAttribute_SmartCardInfo() {
    return flagOf([&] { return CEnroll::AddAttribute_SmartCardInfo(); });
}

HRESULT CPentak::AddAttribute_SmartCardInfoSC() {
    return flagOf([&] { return CEnroll::AddAttribute_SmartCardInfoSC(); });
}

HRESULT CPentak::AddAttribute_KavloCardInfo() {
    return flagOf([&] { return CEnroll::AddAttribute_KavloCardInfo(); });
}

HRESULT CPentak::CreatePKCS10(BSTR* pkcs10) {
    return flagGivingText(pkcs10, [&](std::u16string& request) { return CEnroll::CreatePKCS10(request); });
}
