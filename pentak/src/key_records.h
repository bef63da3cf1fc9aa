// The records the enrolment library's CryptoAPI helpers fill and read: a
// certificate with the key it belongs to, the containers read from a
// provider (the session's CSP store), and the certificates of an
// issued-certificate answer on their way into cards and stores.
#pragma once

#include <string>
#include <vector>

#include "common/cert_info.h"
#include "win32/types.h"

// A certificate's description and the key that its key-provider property
// names (provider, type, container, key spec).
struct CertKeyInfo {
    CertInfo certificate;
    std::u16string provider;
    DWORD providerType = 0;
    std::u16string container;
    DWORD keySpec = 0;

    // A key is named by a provider, a container and a key spec.
    bool NamesKey() const { return !provider.empty() && !container.empty() && keySpec != 0; }
};

// One key pair of a container as its provider shows it.
struct CspKeyRecord {
    DWORD keySpec = 0;
    std::vector<BYTE> publicKeyInfo;  // X.509 SubjectPublicKeyInfo, DER
    std::string algorithmOid;         // of the public key
    DWORD bitLength = 0;
    std::vector<BYTE> certificate;    // the key's certificate; empty when none
    CertKeyInfo info;                 // from the certificate, with the entry's names
};

// One container of a provider: an entry of the session's CSP store.
struct CspStoreEntry {
    std::u16string provider;
    DWORD providerType = 0;
    std::u16string reader;     // "\\.\<reader>\", empty when the name has none
    std::u16string container;  // the name without the reader
    std::vector<CspKeyRecord> keys;
};

// Marks of EnrollCertificate::flags.
inline constexpr DWORD kCertInstalledPersonal = 1;
inline constexpr DWORD kCertInstalledAddressBook = 2;
inline constexpr DWORD kCertWrittenToCard = 8;

// One certificate of an issued-certificate answer.
struct EnrollCertificate {
    std::vector<BYTE> der;
    DWORD keySpec = 0;  // 0: the certificate has no key of its own
    DWORD flags = 0;    // the marks above, set as it is written and installed
};

// The certificates of one container, with the provider that holds it.
struct EnrollEntry {
    std::u16string provider;
    DWORD providerType = 0;
    std::u16string container;  // full name, reader included; empty: no container
    DWORD keySpec = 0;
    std::vector<BYTE> vendorBlob;  // handed to the card provider before a second try
    std::vector<EnrollCertificate> certificates;
};
