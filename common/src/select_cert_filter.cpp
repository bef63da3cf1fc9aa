// select_cert_filter.cpp: which certificates the selection dialog offers,
// the purpose labels of the certification authority's own certificates,
// and the count of the certificates a filter passes.
#include <string>

#include "common/codepage.h"
#include "common/csp_manager.h"
#include "common/cert_manager.h"
#include "common/cryptoapi.h"
#include "common/log.h"
#include "common/resource.h"
#include "common/select_cert_dlg.h"
#include "common/system_error.h"
#include "cert_selection_checks.h"

namespace {

constexpr DWORD kOwnQualified = kCertClassQualified | kCertClassAuthority;
constexpr DWORD kOwnCommercial = kCertClassStandard | kCertClassAuthority;

// Purpose labels in the message table.
constexpr DWORD kLabelAuthentication = 31;
constexpr DWORD kLabelSignature = 32;
constexpr DWORD kLabelLogin = 33;
constexpr DWORD kLabelLoginSignature = 34;

bool HasClass(const CertInfo& record, DWORD bits) { return (record.certClass & bits) == bits; }

// Under the login purpose the authority's own certificates of the other
// kind are not offered.
bool HiddenByRestriction(const CertInfo& record, const CertSelectFilter& filter) {
    if (filter.purpose != kSelectPurposeLogin) return false;
    if (filter.restriction == kSelectHideOwnCommercial) return HasClass(record, kOwnCommercial);
    if (filter.restriction == 0 || filter.restriction == 4) return HasClass(record, kOwnQualified);
    return false;
}

// The selection flags; on a secure device (16) also asks that the
// certificate's provider be one offered for such selections.
bool PassesSelection(const CertInfo& record, PCCERT_CONTEXT context, DWORD flags) {
    if (flags & sgCertSSCDOnly) {
        const TCSPManager builtInRows;
        if (!TCSPManager::ProviderHasFlags(record.providerName, kProviderSscdFilter)) return false;
    }
    return PassesSelectionFlags(record, context, flags);
}

// The message-table id of the certificate's label; 0 when it has none.
DWORD PurposeLabelId(const CertInfo& record, DWORD purpose) {
    const bool login = purpose == kSelectPurposeLogin;
    if (HasClass(record, kOwnQualified)) return login ? kLabelLoginSignature : kLabelSignature;
    if (HasClass(record, kOwnCommercial)) return login ? kLabelLogin : kLabelAuthentication;
    return 0;
}

// The label goes on this process's copy of the context only: on a system
// store a persisted name would overwrite the user's own for good.
void SetPurposeLabel(PCCERT_CONTEXT context, const CertInfo& record, DWORD purpose) {
    const DWORD id = PurposeLabelId(record, purpose);
    if (id == 0) return;
    std::string name = TResource::Instance()->GetString(id);
    if (IsVistaOrLater()) name = record.subjectSimpleName + ", " + name;
    std::u16string wide = MultiByteToWide(name, CP_ACP);
    CRYPT_DATA_BLOB blob{static_cast<DWORD>((wide.size() + 1) * sizeof(char16_t)),
                         reinterpret_cast<BYTE*>(wide.data())};
    CertSetCertificateContextProperty(context, CERT_FRIENDLY_NAME_PROP_ID, CERT_SET_PROPERTY_INHIBIT_PERSIST_FLAG,
                                      &blob);
}

void LogRejection(const CertInfo& record, const char* format) {
    TLogStrVect::Instance()->Print(sgLogLevelWarns, format, record.subjectDn.c_str());
}

}  // namespace

BOOL SelectCertificateFilterProc(PCCERT_CONTEXT context, BOOL* initialSelected, void* data) {
    const auto* filter = static_cast<const CertSelectFilter*>(data);
    CertInfo record;
    if (!context || !filter || !TCryptoapi::GetCertInfo(context, record)) return FALSE;
    if (filter->requireKeyProvider && !record.hasKeyProvInfo) {
        LogRejection(record, "SelectCertificateFilterProc(): %s no CERT_KEY_PROV_INFO_PROP_ID");
        return FALSE;
    }
    if ((record.keyUsage & filter->keyUsage) == 0) {
        LogRejection(record, "SelectCertificateFilterProc(): %s key_usage not match");
        return FALSE;
    }
    if (!filter->issuerDn.empty() && filter->issuerDn != record.issuerDn) {
        LogRejection(record, "SelectCertificateFilterProc(): %s issuer's dn not match");
        return FALSE;
    }
    if (HiddenByRestriction(record, *filter)) return FALSE;
    if (!PassesSelection(record, context, filter->selectionFlags)) return FALSE;
    if (filter->setLabel) SetPurposeLabel(context, record, filter->purpose);
    if (initialSelected) *initialSelected = record.subjectDn == filter->preselectSubjectDn ? TRUE : FALSE;
    return TRUE;
}

DWORD CountMatchingCertificates(HCERTSTORE store, const CertSelectFilter& filter, CertInfo& out) {
    DWORD count = 0;
    void* data = const_cast<CertSelectFilter*>(&filter);  // the callback's data is not changed
    for (PCCERT_CONTEXT context = CertEnumCertificatesInStore(store, nullptr); context;
         context = CertEnumCertificatesInStore(store, context)) {
        if (SelectCertificateFilterProc(context, nullptr, data) && TCryptoapi::GetCertInfo(context, out)) ++count;
    }
    return count;
}
