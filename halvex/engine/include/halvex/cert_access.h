// The renewal program's access to the user's certificates: its records read
// from the current user's system stores with the program's policy
// classification, a record's certificate found again with its key, and a
// certificate's PEM text shown in the system's view. It adds these to the
// core's TCryptoapi, whose decoders read the certificates.
#pragma once

#include <string>
#include <vector>

#include "common/cryptoapi.h"
#include "halvex/cert_info.h"
#include "halvex/cert_policies.h"
#include "win32/crypt_store.h"

namespace halvex {

// The error code of a Parvel pair whose commercial certificate is missing.
inline constexpr int kErrPairWithoutPartner = 4057;
inline constexpr char16_t kQcComplianceOid[] = u"0.4.0.1862.1.1";

class TCryptoapi : public ::TCryptoapi {
public:
    // The records of the current user's system store, last certificate
    // first. A non-empty issuerFilter keeps the certificates of that issuer
    // DN, checkTime those valid now. With classify, only qualified records
    // (qualified policy and QcCompliance) are given; one with a pair number
    // only when another of them, of a different serial number, has the same
    // pair number; otherwise the user is warned (4057, with its serial, CN
    // and DN) and the record left out. Certificates that cannot be read are
    // skipped. The number of records in out; 0 with LastStoreError set when
    // the store cannot be opened.
    DWORD EnumStoreCertificates(std::vector<CertInfo>& out, bool classify, const std::u16string& storeName,
                                const std::u16string& issuerFilter, bool checkTime);
    DWORD LastStoreError() const noexcept { return m_storeError; }

    // Reads the certificate into out, classified by the environment of the
    // profile (or by the policies given); false for a missing or non-X.509
    // context or one that cannot be put into PEM, out then unchanged.
    static bool ReadCertificate(CertInfo& out, PCCERT_CONTEXT context);
    static bool ReadCertificate(CertInfo& out, PCCERT_CONTEXT context, const PolicyOidSet& policies);

    // A context of the record's certificate (its DER, else its PEM) bound to
    // the record's key; null when it has none or it does not decode. The
    // caller frees it.
    static PCCERT_CONTEXT CertContextFromRecord(const CertInfo& record);
    // The user's store's copy of the certificate, null when it is not
    // there; the caller frees it. The key the copy names is opened to read
    // its container's name into *container (when given; empty when the key
    // cannot be opened).
    static PCCERT_CONTEXT FindCertificateKey(PCCERT_CONTEXT certificate, const std::u16string& storeName,
                                             std::u16string* container = nullptr);
    static PCCERT_CONTEXT FindCertificateInStore(const CertInfo& record, const std::u16string& storeName,
                                                 std::u16string* container = nullptr);

    // Shows the certificate of the PEM text in CryptUI's view dialog, for
    // looking only; false when the text holds no certificate or the view
    // cannot be shown.
    static bool ShowCertificatePem(const std::u16string& pem);

    // A memory store of the records' certificates (those without a usable
    // one are left out); null for an empty list. The caller closes it.
    static HCERTSTORE MemoryStoreFromList(const std::vector<CertInfo>& records);

private:
    DWORD m_storeError = 0;
};

}  // namespace halvex
