#include "required_certificates.h"

#include <vector>

#include "halvex/cert_access.h"

namespace halvex {

std::optional<RequiredCertificate> FirstMissingRequiredCertificate() {
    const RequiredCertificate required[] = {
        {u"Root", kNationalRootName, kNationalRootName, kNationalRootUrl},
        {u"CA", kQualifiedCaName, kNationalRootName, kQualifiedCaUrl},
    };
    for (const RequiredCertificate& certificate : required) {
        std::vector<CertInfo> listed;
        TCryptoapi().EnumStoreCertificates(listed, false, certificate.store, u"", true);
        bool found = false;
        for (const CertInfo& candidate : listed)
            found = found || (candidate.subjectDn.find(certificate.subject) != std::u16string::npos &&
                              candidate.issuerDn.find(certificate.issuer) != std::u16string::npos);
        if (!found) return certificate;
    }
    return std::nullopt;
}

}  // namespace halvex
