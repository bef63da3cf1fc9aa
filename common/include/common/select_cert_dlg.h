// The choice of a certificate in CryptUI's selection dialog, the filter that
// decides which certificates it offers, and CryptUI's view dialog and
// certificate manager. CryptUI is loaded by name when a dialog is needed
// and freed right after, so a system without it still runs: a selection
// then reads 9 and a view or the manager 0.
#pragma once

#include <string>
#include <vector>

#include "common/cert_info.h"
#include "win32/crypt_store.h"
#include "win32/types.h"

// Error numbers of the selection (message 10000 + number); an empty list
// reads kErrNoContainerCertificate (cryptoapi.h).
inline constexpr DWORD kErrSelectNoDialog = 9;           // CryptUI or its selection dialog is missing
inline constexpr DWORD kErrSelectCancelled = 12;         // the user chose nothing
inline constexpr DWORD kErrSelectNoCertificate = 51;     // no certificate passes the filter
inline constexpr DWORD kErrSelectUnreadable = 3000;      // the chosen certificate cannot be described
inline constexpr DWORD kErrSelectSystemStore = 4000;     // the system store cannot be opened
inline constexpr DWORD kErrSelectListStore = 4002;       // the list's memory store cannot be made

// CertSelectFilter::purpose that picks the login labels and the restriction.
inline constexpr DWORD kSelectPurposeLogin = 1;
// CertSelectFilter::restriction under kSelectPurposeLogin.
inline constexpr DWORD kSelectHideOwnCommercial = 1;  // 0 and 4 hide the authority's own qualified ones

// What a certificate must be to be offered; the dialog's callback data.
struct CertSelectFilter {
    DWORD requireKeyProvider = 0;     // nonzero: it must carry the key-provider property
    WORD keyUsage = 0;                // it must share a bit with it (so 0 offers nothing)
    std::string issuerDn;             // not empty: its issuer DN must be exactly this
    std::string preselectSubjectDn;   // the certificate of this subject DN is selected first
    DWORD selectionFlags = 0;         // sgCertSelectionFlags (cert_manager.h)
    DWORD purpose = 0;                // kSelectPurposeLogin or any other value
    DWORD setLabel = 0;               // nonzero: the authority's own certificates get a purpose label
    DWORD restriction = 0;            // under kSelectPurposeLogin: which own certificates are hidden
};

struct CertSelectDlgParams {
    HWND owner = nullptr;
    std::string title;   // empty: the dialog's own
    std::string prompt;  // shown above the list; empty: the dialog's own
};

// The selection dialog's filter callback: whether the certificate is
// offered. It may set the purpose label as the context's friendly name, in
// this process only (a system store keeps the user's own name), and tells
// through *initialSelected (when given) whether it is the preselected one.
BOOL SelectCertificateFilterProc(PCCERT_CONTEXT context, BOOL* initialSelected, void* filter);

// How many certificates of the store the filter passes; out describes the
// last of them. A certificate that cannot be described is not counted.
DWORD CountMatchingCertificates(HCERTSTORE store, const CertSelectFilter& filter, CertInfo& out);

class TSelectCertDlg {
public:
    TSelectCertDlg() = default;
    virtual ~TSelectCertDlg();

    // The current user's existing system store of that name (4000 when it
    // cannot be opened) through SelectFromStore.
    DWORD SelectFromSystemStore(const CertSelectDlgParams& params, const CertSelectFilter& filter, CertInfo& out,
                                bool alwaysShow, const std::u16string& storeName);
    // The records' certificates in a memory store through SelectFromStore;
    // 5004 for an empty list (no dialog is looked for), 4002 when the store
    // cannot be made.
    DWORD SelectFromList(const CertSelectDlgParams& params, const CertSelectFilter& filter,
                         const std::vector<CertInfo>& records, CertInfo& out, bool alwaysShow);
    // 51 when no certificate passes the filter. One that passes alone is
    // taken without a dialog unless alwaysShow. Otherwise the user chooses:
    // 0 with out describing the choice, 12 when cancelled, 9 without the
    // dialog, 3000 when the choice cannot be described.
    DWORD SelectFromStore(HCERTSTORE store, const CertSelectDlgParams& params, const CertSelectFilter& filter,
                          CertInfo& out, bool alwaysShow);

    // CryptUI's certificate manager over the owner; 1 when it was started.
    DWORD StartCertMgr(HWND owner);
    // The record's certificate in TCryptoapi::ViewCertificate; 0 when the
    // record holds no certificate.
    DWORD ViewCertInfo(HWND owner, const CertInfo& record);
};
