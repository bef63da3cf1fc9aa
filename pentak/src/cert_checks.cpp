// cert_checks.cpp: checks of single certificates and of issuer pairs.
#include "cert_checks.h"

#include <algorithm>

#include "common/cryptoapi.h"
#include "common/decoded_object.h"
#include "key_records.h"

bool VerifySubjectCertificate(PCCERT_CONTEXT subject, PCCERT_CONTEXT issuer, DWORD flags) {
    if (!subject) return false;
    DWORD remaining = flags;
    // The function clears the flag of each check that passed.
    return CertVerifySubjectCertificateContext(subject, issuer, &remaining) && remaining == 0;
}

bool CompareCertificateNames(PCCERT_CONTEXT certificate) {
    if (!VerifySubjectCertificate(certificate, certificate, CERT_STORE_SIGNATURE_FLAG)) return false;
    CERT_INFO& info = *certificate->pCertInfo;
    return CertCompareCertificateName(kCertEncoding, &info.Subject, &info.Issuer) != FALSE;
}

bool IsIssuerOf(PCCERT_CONTEXT certificate, PCCERT_CONTEXT ca) {
    if (!certificate || !ca) return false;
    if (!CertCompareCertificateName(kCertEncoding, &certificate->pCertInfo->Issuer, &ca->pCertInfo->Subject))
        return false;
    std::vector<BYTE> authorityKeyId, subjectKeyId;
    return TCryptoapi::GetKeyIdentifiers(certificate, kAuthorityKeyId, authorityKeyId) &&
           TCryptoapi::GetKeyIdentifiers(ca, kSubjectKeyId, subjectKeyId) && authorityKeyId == subjectKeyId;
}

bool IsUsableCertificate(PCCERT_CONTEXT certificate, const CaRestriction& cas) {
    if (!VerifySubjectCertificate(certificate, nullptr, CERT_STORE_TIME_VALIDITY_FLAG)) return false;
    CertKeyInfo key;
    if (!TCryptoapi::GetCertKeyInfo(certificate, key) || !key.NamesKey()) return false;
    if (!cas.Restricts()) return true;
    const auto& issuers = cas.Certificates();
    return std::any_of(issuers.begin(), issuers.end(),
                       [&](const OwnedCertContext& ca) { return IsIssuerOf(certificate, ca.get()); });
}
