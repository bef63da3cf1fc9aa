// select_cert_dlg.cpp: choosing a certificate from a system store, a list
// or any store, with CryptUI's selection dialog when more than one
// certificate qualifies.
#include "common/select_cert_dlg.h"

#include <utility>

#include "common/cms_verify.h"
#include "common/cryptoapi.h"
#include "common/owned_context.h"
#include "common/system_error.h"
#include "cryptui_library.h"
#include "win32/cryptui.h"

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

DWORD TSelectCertDlg::SelectFromStore(HCERTSTORE store, const CertSelectDlgParams& params,
                                      const CertSelectFilter& filter, CertInfo& out, bool alwaysShow) {
    // out changes only when a certificate is chosen.
    CertInfo chosen = out;
    const DWORD count = CountMatchingCertificates(store, filter, chosen);
    if (count == 0) return kErrSelectNoCertificate;
    if (count == 1 && !alwaysShow) {
        out = std::move(chosen);
        return 0;
    }
    TCryptUiLibrary cryptUi;
    const auto select = cryptUi.Bind<PFN_CryptUIDlgSelectCertificateA>("CryptUIDlgSelectCertificateA");
    if (!select) return kErrSelectNoDialog;
    CRYPTUI_SELECTCERTIFICATE_STRUCTA request{};
    request.dwSize = sizeof request;
    request.hwndParent = params.owner;
    request.szTitle = params.title.empty() ? nullptr : params.title.c_str();
    request.szDisplayString = params.prompt.empty() ? nullptr : params.prompt.c_str();
    // From Vista on the friendly name is the label the filter sets, which
    // repeats the subject's name, so its column is left out.
    request.dwDontUseColumn = CRYPTUI_SELECT_INTENDEDUSE_COLUMN | CRYPTUI_SELECT_LOCATION_COLUMN |
                              (IsVistaOrLater() ? CRYPTUI_SELECT_FRIENDLYNAME_COLUMN : 0);
    request.pFilterCallback = SelectCertificateFilterProc;
    request.pvCallbackData = const_cast<CertSelectFilter*>(&filter);  // the filter does not change it
    request.cDisplayStores = 1;
    request.rghDisplayStores = &store;
    const OwnedCertContext context(select(&request));
    if (!context) return kErrSelectCancelled;
    if (!TCryptoapi::GetCertInfo(context.get(), chosen)) return kErrSelectUnreadable;
    out = std::move(chosen);
    return 0;
}
