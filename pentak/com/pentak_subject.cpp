// CPentak's members over the subject of the session's request: attributes
// added and removed one by one, or taken over from certificates.
#include "automation_text.h"
#include "pentak_class.h"
#include "result_rules.h"

using pentak::codeOf;
using pentak::flagOf;
using pentak::textOf;
using pentak::withAnsi;

HRESULT CPentak::AddSubjectAttribute(BSTR oid, BSTR data) {
    return withAnsi(oid, [&](std::string_view oidText) {
        return flagOf([&] { return CEnroll::AddSubjectAttribute(oidText, textOf(data)); });
    });
}

HRESULT CPentak::RemoveSubjectAttribute(BSTR bstrOid) {
    return withAnsi(bstrOid, [&](std::string_view oid) {
        return flagOf([&] { return CEnroll::RemoveSubjectAttribute(oid); });
    });
}

HRESULT CPentak::X509SubjectToReqTesk(BSTR bstrCert) {
    return codeOf([&] { return CEnroll::X509SubjectToReqTesk(textOf(bstrCert)); });
}

HRESULT CPentak::X509SubjectToPersonalReqTesk(BSTR bstrCert, BSTR bstrGivenName, BSTR bstrSurname) {
    return codeOf([&] {
        return CEnroll::X509SubjectToPersonalReqTesk(textOf(bstrCert), textOf(bstrGivenName), textOf(bstrSurname));
    });
}

HRESULT CPentak::X509MergeSubjectToPersonalReqTesk(BSTR bstrCertMaster, BSTR bstrCertCopy, BSTR bstrSubjectOIDs,
                                                   BSTR bstrGivenName, BSTR bstrSurname) {
    return withAnsi(bstrSubjectOIDs, [&](std::string_view oids) {
        return codeOf([&] {
            return CEnroll::X509MergeSubjectToPersonalReqTesk(textOf(bstrCertMaster), textOf(bstrCertCopy), oids,
                                                              textOf(bstrGivenName), textOf(bstrSurname));
        });
    });
}
