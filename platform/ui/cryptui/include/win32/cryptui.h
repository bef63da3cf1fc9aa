// The certificate dialogs of "cryptui.dll": choosing a certificate from
// stores, viewing one (its fields, extensions and certification path) and
// the certificate manager over the current user's stores. Programs load the
// module at run time (LoadLibrary("cryptui.dll"), libcryptui.so) and bind
// the functions by name, so this header gives the records, the flags and
// the types of the bound functions, not the functions themselves.
//
// The dialogs are shown by the UI backend chosen at start (platform/ui.h):
// GTK windows, or the script backend, whose questions "SelectCertificate",
// "ViewCertificate" and "CertificateManager" tests answer.
#pragma once

#include "win32/crypt_store.h"

// ---- Selection ----------------------------------------------------------------

// Columns the caller leaves out of the list (dwDontUseColumn).
inline constexpr DWORD CRYPTUI_SELECT_ISSUEDTO_COLUMN = 0x00000001;
inline constexpr DWORD CRYPTUI_SELECT_ISSUEDBY_COLUMN = 0x00000002;
inline constexpr DWORD CRYPTUI_SELECT_INTENDEDUSE_COLUMN = 0x00000004;
inline constexpr DWORD CRYPTUI_SELECT_FRIENDLYNAME_COLUMN = 0x00000008;
inline constexpr DWORD CRYPTUI_SELECT_LOCATION_COLUMN = 0x00000010;
inline constexpr DWORD CRYPTUI_SELECT_EXPIRATION_COLUMN = 0x00000020;

// Called for each certificate of the display stores: TRUE offers it. When
// pfInitialSelectedCert is not null, setting it to TRUE makes that
// certificate the one selected when the dialog opens.
using PFNCFILTERPROC = BOOL (*)(PCCERT_CONTEXT pCertContext, BOOL* pfInitialSelectedCert, void* pvCallbackData);
// Called by the dialog's "view certificate" action instead of the built-in
// view; FALSE lets the built-in view show the certificate.
using PFNCCERTDISPLAYPROC = BOOL (*)(PCCERT_CONTEXT pCertContext, HWND hWndSelCertDlg, void* pvCallbackData);

// Extra pages of the Windows dialogs; none can be shown here.
struct PROPSHEETPAGEA;
struct PROPSHEETPAGEW;
using LPCPROPSHEETPAGEA = const PROPSHEETPAGEA*;
using LPCPROPSHEETPAGEW = const PROPSHEETPAGEW*;

struct CRYPTUI_SELECTCERTIFICATE_STRUCTW {
    DWORD dwSize;  // sizeof the record
    HWND hwndParent;
    DWORD dwFlags;  // 0: one certificate is chosen
    LPCWSTR szTitle;  // null: "Vybrat certifikát"
    DWORD dwDontUseColumn;
    LPCWSTR szDisplayString;  // the prompt above the list; null: a default
    PFNCFILTERPROC pFilterCallback;  // null offers every certificate
    PFNCCERTDISPLAYPROC pDisplayCallback;
    void* pvCallbackData;
    DWORD cDisplayStores;
    HCERTSTORE* rghDisplayStores;  // the certificates offered, in store order
    DWORD cStores;
    HCERTSTORE* rghStores;  // further issuers for the view's certification path
    DWORD cPropSheetPages;  // must be 0
    LPCPROPSHEETPAGEW rgPropSheetPages;
    HCERTSTORE hSelectedCertStore;  // not used
};
using PCRYPTUI_SELECTCERTIFICATE_STRUCTW = CRYPTUI_SELECTCERTIFICATE_STRUCTW*;
using PCCRYPTUI_SELECTCERTIFICATE_STRUCTW = const CRYPTUI_SELECTCERTIFICATE_STRUCTW*;

// The same with ANSI (Windows-1250) texts.
struct CRYPTUI_SELECTCERTIFICATE_STRUCTA {
    DWORD dwSize;
    HWND hwndParent;
    DWORD dwFlags;
    LPCSTR szTitle;
    DWORD dwDontUseColumn;
    LPCSTR szDisplayString;
    PFNCFILTERPROC pFilterCallback;
    PFNCCERTDISPLAYPROC pDisplayCallback;
    void* pvCallbackData;
    DWORD cDisplayStores;
    HCERTSTORE* rghDisplayStores;
    DWORD cStores;
    HCERTSTORE* rghStores;
    DWORD cPropSheetPages;
    LPCPROPSHEETPAGEA rgPropSheetPages;
    HCERTSTORE hSelectedCertStore;
};
using PCRYPTUI_SELECTCERTIFICATE_STRUCTA = CRYPTUI_SELECTCERTIFICATE_STRUCTA*;
using PCCRYPTUI_SELECTCERTIFICATE_STRUCTA = const CRYPTUI_SELECTCERTIFICATE_STRUCTA*;

// The chosen certificate, a context the caller frees, valid after the
// display stores are closed; null when the user cancelled, or on failure
// with the last error set: E_INVALIDARG for a null record, a wrong
// dwSize, dwFlags other than 0 or extra pages; the last error of the
// owner check or of the stores otherwise.
using PFN_CryptUIDlgSelectCertificateW = PCCERT_CONTEXT (*)(PCCRYPTUI_SELECTCERTIFICATE_STRUCTW pcsc);
using PFN_CryptUIDlgSelectCertificateA = PCCERT_CONTEXT (*)(PCCRYPTUI_SELECTCERTIFICATE_STRUCTA pcsc);

// ---- View ---------------------------------------------------------------------

inline constexpr DWORD CRYPTUI_HIDE_HIERARCHYPAGE = 0x00000001;  // no certification path
inline constexpr DWORD CRYPTUI_HIDE_DETAILPAGE = 0x00000002;
inline constexpr DWORD CRYPTUI_DISABLE_EDITPROPERTIES = 0x00000004;  // the friendly name cannot be changed
inline constexpr DWORD CRYPTUI_ENABLE_EDITPROPERTIES = 0x00000008;
inline constexpr DWORD CRYPTUI_DISABLE_ADDTOSTORE = 0x00000010;  // no installing into a store
inline constexpr DWORD CRYPTUI_ENABLE_ADDTOSTORE = 0x00000020;
inline constexpr DWORD CRYPTUI_ACCEPT_DECLINE_STYLE = 0x00000040;
inline constexpr DWORD CRYPTUI_IGNORE_UNTRUSTED_ROOT = 0x00000080;
inline constexpr DWORD CRYPTUI_DONT_OPEN_STORES = 0x00000100;
inline constexpr DWORD CRYPTUI_ONLY_OPEN_ROOT_STORE = 0x00000200;
inline constexpr DWORD CRYPTUI_WARN_UNTRUSTED_ROOT = 0x00000400;
inline constexpr DWORD CRYPTUI_ENABLE_REVOCATION_CHECKING = 0x00000800;
inline constexpr DWORD CRYPTUI_WARN_REMOTE_TRUST = 0x00001000;
inline constexpr DWORD CRYPTUI_DISABLE_EXPORT = 0x00002000;

struct CRYPT_PROVIDER_DATA;  // trust-provider state; not supported

struct CRYPTUI_VIEWCERTIFICATE_STRUCTW {
    DWORD dwSize;  // sizeof the record
    HWND hwndParent;
    DWORD dwFlags;  // the three flags above are honoured, the others accepted
    LPCWSTR szTitle;  // null: "Certifikát"
    PCCERT_CONTEXT pCertContext;
    LPCSTR* rgszPurposes;  // not used
    DWORD cPurposes;
    union {
        const CRYPT_PROVIDER_DATA* pCryptProviderData;  // must be null
        HANDLE hWVTStateData;
    };
    BOOL fpCryptProviderDataTrustedUsage;
    DWORD idxSigner;
    DWORD idxCert;
    BOOL fCounterSigner;
    DWORD idxCounterSigner;
    DWORD cStores;
    HCERTSTORE* rghStores;  // further issuers for the certification path
    DWORD cPropSheetPages;  // must be 0
    LPCPROPSHEETPAGEW rgPropSheetPages;
    DWORD nStartPage;
};
using PCRYPTUI_VIEWCERTIFICATE_STRUCTW = CRYPTUI_VIEWCERTIFICATE_STRUCTW*;
using PCCRYPTUI_VIEWCERTIFICATE_STRUCTW = const CRYPTUI_VIEWCERTIFICATE_STRUCTW*;

struct CRYPTUI_VIEWCERTIFICATE_STRUCTA {
    DWORD dwSize;
    HWND hwndParent;
    DWORD dwFlags;
    LPCSTR szTitle;
    PCCERT_CONTEXT pCertContext;
    LPCSTR* rgszPurposes;
    DWORD cPurposes;
    union {
        const CRYPT_PROVIDER_DATA* pCryptProviderData;
        HANDLE hWVTStateData;
    };
    BOOL fpCryptProviderDataTrustedUsage;
    DWORD idxSigner;
    DWORD idxCert;
    BOOL fCounterSigner;
    DWORD idxCounterSigner;
    DWORD cStores;
    HCERTSTORE* rghStores;
    DWORD cPropSheetPages;
    LPCPROPSHEETPAGEA rgPropSheetPages;
    DWORD nStartPage;
};
using PCRYPTUI_VIEWCERTIFICATE_STRUCTA = CRYPTUI_VIEWCERTIFICATE_STRUCTA*;
using PCCRYPTUI_VIEWCERTIFICATE_STRUCTA = const CRYPTUI_VIEWCERTIFICATE_STRUCTA*;

// TRUE once the certificate was shown and the view closed;
// *pfPropertiesChanged (when given) tells whether the user changed the
// certificate's friendly name. FALSE with E_INVALIDARG for a null record or
// certificate, a wrong dwSize, trust-provider data or extra pages.
using PFN_CryptUIDlgViewCertificateW = BOOL (*)(PCCRYPTUI_VIEWCERTIFICATE_STRUCTW pCertViewInfo,
                                                BOOL* pfPropertiesChanged);
using PFN_CryptUIDlgViewCertificateA = BOOL (*)(PCCRYPTUI_VIEWCERTIFICATE_STRUCTA pCertViewInfo,
                                                BOOL* pfPropertiesChanged);

// ---- Certificate manager ------------------------------------------------------

struct CRYPTUI_CERT_MGR_STRUCT {
    DWORD dwSize;  // sizeof the record
    HWND hwndParent;
    DWORD dwFlags;  // must be 0
    LPCWSTR pwszTitle;  // null: "Certifikáty"
    LPCSTR pszInitUsageOID;  // not used: every certificate is listed
};
using PCRYPTUI_CERT_MGR_STRUCT = CRYPTUI_CERT_MGR_STRUCT*;
using PCCRYPTUI_CERT_MGR_STRUCT = const CRYPTUI_CERT_MGR_STRUCT*;

// A window with a tab for each of the current user's stores "MY",
// "AddressBook", "CA", "Root" and "REQUEST"; the user views a certificate
// or removes it after a confirmation. TRUE once closed; FALSE with
// E_INVALIDARG for a null record, a wrong dwSize or dwFlags other than 0.
using PFN_CryptUIStartCertMgr = BOOL (*)(PCCRYPTUI_CERT_MGR_STRUCT pCryptUICertMgr);
