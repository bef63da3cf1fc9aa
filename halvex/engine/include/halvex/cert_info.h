// The renewal program's record of one certificate: what the wizard shows,
// what a renewal request copies from the certificate being renewed, and how
// the program's policy classification sees it. Texts are UTF-16.
#pragma once

#include <string>
#include <vector>

#include "common/rdn_attr.h"
#include "win32/types.h"

namespace halvex {

struct CertInfo {
    std::u16string commonName;        // the subject's simple display name
    std::u16string email;             // the subject's e-mail address
    std::u16string issuerCommonName;  // the issuer's simple display name
    std::u16string subjectDn;         // X.500 texts
    std::u16string issuerDn;
    std::vector<TRDNAttrW> subjectAttributes;  // (OID, value) in encoded order
    std::vector<TRDNAttrW> altNames;           // the subject's alternative names
    std::u16string serial;                     // two lower-case digits a byte, most significant first
    std::vector<BYTE> der;
    std::u16string pem;
    BYTE keyUsage = 0;                       // the first byte of the key-usage bits
    std::vector<TRDNAttrW> extendedKeyUsages;  // each entry holds only its OID
    std::vector<std::u16string> policyOids;
    std::vector<std::u16string> qcStatementOids;
    FILETIME notBefore{};
    FILETIME notAfter{};
    DWORD keyLength = 0;  // bits of the public key
    std::u16string cardNumber;  // the comment extension
    std::u16string pairNumber;  // the authority's extension
    // The key's provider, only when the certificate names all four.
    std::u16string providerName;
    std::u16string containerName;
    DWORD providerType = 0;
    DWORD keySpec = 0;
    std::vector<BYTE> thumbprint;  // SHA-1
    std::u16string storeName;      // the system store the record was read from
    // Policy classification of the environment in force when it was read.
    bool qualifiedPolicy = false;
    bool type1 = false;
    bool type6 = false;
    bool authorityFamily = false;
};

}  // namespace halvex
