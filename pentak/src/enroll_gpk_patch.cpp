// CEnroll: the preparation of a Dravik card for new certificates. The card
// keeps its own self-signed root; certificates under it that are not roots
// are removed, and the CA certificate between that root and the new user
// certificates is written to the card through the HSM engine.
#include "cert_checks.h"
#include "common/codepage.h"
#include "common/cryptoapi.h"
#include "common/decoded_object.h"
#include "enroll.h"
#include "install_log.h"
#include "known_providers.h"
#include "platform/text.h"

namespace {

bool isDravik(const std::u16string& provider) { return platform::text::equalsNoCase(provider, kDravikCspName); }

// The index of the group's first certificate that the root did not issue;
// the number of certificates when it issued every one.
std::size_t firstNotIssuedBy(const EnrollEntry& group, PCCERT_CONTEXT root) {
    std::size_t index = 0;
    for (const EnrollCertificate& entry : group.certificates) {
        const OwnedCertContext certificate(
            CertCreateCertificateContext(kCertEncoding, entry.der.data(), static_cast<DWORD>(entry.der.size())));
        if (!IsIssuerOf(certificate.get(), root)) break;
        ++index;
    }
    return index;
}

}  // namespace

bool CEnroll::GPKPatch(const InstallGroups& groups) {
    InstallLog log;
    log.Add(u"GPKPatch(): started");

    // DeleteCerts works on the CSP store: the entry's name and certificates
    // are copied before it runs.
    OwnedCertContext root;
    for (std::size_t i = 0; i < m_cspStore.size(); ++i) {
        if (m_cspStore[i].provider != kDravikCspName) continue;
        const std::u16string container = m_cspStore[i].container;
        std::vector<std::vector<BYTE>> certificates;
        for (const CspKeyRecord& record : m_cspStore[i].keys)
            if (!record.certificate.empty()) certificates.push_back(record.certificate);
        for (const std::vector<BYTE>& der : certificates) {
            OwnedCertContext certificate(
                CertCreateCertificateContext(kCertEncoding, der.data(), static_cast<DWORD>(der.size())));
            if (certificate && CompareCertificateNames(certificate.get())) {
                root = std::move(certificate);
                continue;
            }
            LONG count = 0;
            const DWORD result = DeleteCerts(container, count);
            log.Add(u"DeleteCerts(GPK): conntainer: " + container + u", result: " + DecimalText(result) +
                    u", certs: " + DecimalText(count));
            break;
        }
    }

    bool ok = true;
    std::vector<BYTE> caBetween;
    for (std::size_t g = 0; root && g < groups.entries.size(); ++g) {
        const EnrollEntry& group = groups.entries[g];
        if (group.certificates.empty() || !isDravik(group.provider)) continue;
        const std::size_t c = firstNotIssuedBy(group, root.get());
        if (c < group.certificates.size()) {
            caBetween = groups.issuers[g][c];
            break;
        }
    }
    if (!caBetween.empty()) {
        CertInfo ca;
        if (TCryptoapi::CertInfoFromDer(caBetween, ca)) {
            const std::u16string keyName = String2WideChar(ca.subjectSimpleName.c_str(),
                                                           static_cast<int>(ca.subjectSimpleName.size()), CP_ACP);
            const DWORD status = HsmEngine_WriteRoot(keyName);
            log.Add(u"GPKPatch():E_WriteRoot(): stat: " + DecimalText(status) + u", keyname: " + keyName);
        } else {
            ok = false;
        }
    }
    log.AppendToDiagnostics();
    return ok;
}
