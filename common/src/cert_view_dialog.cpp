// cert_view_dialog.cpp: CryptUI's view of one certificate and its
// certificate manager.
#include "common/cert_context.h"
#include "common/cryptoapi.h"
#include "common/owned_context.h"
#include "common/select_cert_dlg.h"
#include "cryptui_library.h"
#include "win32/cryptui.h"

// Shown for looking only: no certification path, no editing of the
// friendly name, no adding to a store. FALSE when the view could not be
// shown (a module that carries no dialogs, an owner that is no window).
BOOL TCryptoapi::ViewCertificate(HWND owner, PCCERT_CONTEXT context) {
    if (!context) return FALSE;
    TCryptUiLibrary cryptUi;
    const auto view = cryptUi.Bind<PFN_CryptUIDlgViewCertificateA>("CryptUIDlgViewCertificateA");
    if (!view) return FALSE;
    CRYPTUI_VIEWCERTIFICATE_STRUCTA request{};
    request.dwSize = sizeof request;
    request.hwndParent = owner;
    request.dwFlags = CRYPTUI_HIDE_HIERARCHYPAGE | CRYPTUI_DISABLE_EDITPROPERTIES | CRYPTUI_DISABLE_ADDTOSTORE;
    request.pCertContext = context;
    return view(&request, nullptr);
}

DWORD TSelectCertDlg::ViewCertInfo(HWND owner, const CertInfo& record) {
    const OwnedCertContext context(CertContextFromInfo(record));
    if (!context) return 0;
    return TCryptoapi::ViewCertificate(owner, context.get());
}

DWORD TSelectCertDlg::StartCertMgr(HWND owner) {
    TCryptUiLibrary cryptUi;
    const auto start = cryptUi.Bind<PFN_CryptUIStartCertMgr>("CryptUIStartCertMgr");
    if (!start) return 0;
    CRYPTUI_CERT_MGR_STRUCT request{};
    request.dwSize = sizeof request;
    request.hwndParent = owner;
    return start(&request) ? 1 : 0;
}
