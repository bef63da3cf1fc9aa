// select_cert_dlg.cpp: choosing a certificate from a system store, a list
// or any store, with CryptUI's selection dialog when more than one
// certificate qualifies.
#include "common/select_cert_dlg.h"

#include "common/cms_verify.h"
#include "common/cryptoapi.h"
#include "common/owned_context.h"

TSelectCertDlg::~TSelectCertDlg() = default;

DWORD TSelectCertDlg::SelectFromSystemStore(const CertSelectDlgParams& params, const CertSelectFilter& filter,
                                            CertInfo& out, bool alwaysShow, const std::u16string& storeName) {
    const OwnedCertStore store(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                             CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_OPEN_EXISTING_FLAG,
                                             storeName.c_str()));
    if (!store) return kErrSelectSystemStore;
    return SelectFromStore(store.get(), params, filter, out, alwaysShow);
}

DWORD TSelectCertDlg::SelectFromList(const CertSelectDlgParams& params, const CertSelectFilter& filter,
                                     const std::vector<CertInfo>& records, CertInfo& out, bool alwaysShow) {
    if (records.empty()) return kErrNoContainerCertificate;
    const OwnedCertStore store(BuildMemoryCertStore(records));
    if (!store) return kErrSelectListStore;
    return SelectFromStore(store.get(), params, filter, out, alwaysShow);
}
