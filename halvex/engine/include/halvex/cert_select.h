// The user's choice of a certificate in CryptUI's selection dialog, with the
// renewal program's filter of what the dialog offers.
#pragma once

#include <string>
#include <vector>

#include "halvex/cert_info.h"
#include "win32/crypt_store.h"

namespace halvex {

struct SelectTexts {
    HWND owner = nullptr;
    std::u16string title;
    std::u16string prompt;
};

struct SelectFilter {
    bool checkChain = true;      // the chain must verify now
    BYTE keyUsageMask = 0xFF;    // the key-usage byte must share a bit with it
    std::u16string issuerDn;     // when given, the issuer must be this DN
    std::u16string preferredDn;  // the subject DN preselected in the list
};

// Whether the filter offers the certificate; *preselect (when given) is set
// for an offered certificate of the preferred DN. A certificate that cannot
// be read is not offered.
bool CertificatePassesFilter(PCCERT_CONTEXT certificate, const SelectFilter& filter, BOOL* preselect);

// The certificate the user chose among the store's, read into out; false
// when none was chosen or CryptUI or its dialog is missing (out unchanged).
bool SelectCertificate(CertInfo& out, HCERTSTORE store, const SelectTexts& texts, const SelectFilter& filter);
// The same among the records (a memory store of them); false for an empty
// list.
bool SelectCertificateFromList(CertInfo& out, const std::vector<CertInfo>& records, const SelectTexts& texts,
                               const SelectFilter& filter);

}  // namespace halvex
