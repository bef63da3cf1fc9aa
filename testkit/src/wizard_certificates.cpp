#include "testkit/wizard_certificates.h"

#include <chrono>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "testkit/csp.h"
#include "win32/crypt_store.h"
#include "win32/error.h"

namespace testkit {

namespace {

using namespace std::chrono_literals;

constexpr auto kYear = std::chrono::hours(24 * 365);

void expect(BOOL ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string(what) + " failed, last error " + std::to_string(GetLastError()));
}

// One applicant, Jan Novák, holds every certificate of the set. Its
// identifier is written as older certificates have it, with a blank and a
// slash ("PNOCZ-8012310009" once tidied).
pki::Name applicantName(const std::string& commonName) {
    return pki::Name{{"C", "CZ", pki::StringType::Printable},
                     {"O", "Tesk Test"},
                     {"CN", commonName},
                     {"GN", "Jan"},
                     {"SN", "Novák"},
                     {"serialNumber", "PNOCZ 801231/0009", pki::StringType::Printable}};
}

constexpr unsigned kQualifiedUsage = pki::kDigitalSignature | pki::kNonRepudiation;

// The qualified policy first, then the others given.
pki::CertificateBuilder qualifiedBuilder(const pki::Hierarchy& hierarchy, unsigned usage = kQualifiedUsage,
                                         std::vector<pki::Policy> policies = {}) {
    policies.insert(policies.begin(), pki::Policy{std::string(pki::kQualifiedPolicy)});
    pki::CertificateBuilder builder;
    builder.issuedBy(hierarchy.qualifiedCa)
        .keyUsage(usage)
        .policies(std::move(policies))
        .qcStatements({{std::string(pki::kQcCompliance)}});
    return builder;
}

pki::CertificateBuilder commercialBuilder(const pki::Hierarchy& hierarchy) {
    pki::CertificateBuilder builder;
    builder.issuedBy(hierarchy.standardCa)
        .keyUsage(pki::kDigitalSignature | pki::kKeyEncipherment)
        .extendedKeyUsage({std::string(pki::kClientAuth), std::string(pki::kEmailProtection)});
    return builder;
}

// The applicant's certificate of the common name, its key in a software
// container of that name, added to the user's "MY" store.
WizardCertificate installWithKey(const PlatformRoot& root, const std::string& commonName,
                                 pki::CertificateBuilder builder) {
    builder.subject(applicantName(commonName)).subjectAltNames({pki::GeneralName::rfc822("jan.novak@tesk.example")});
    TestCsp container(CspKind::Software, root, platform::text::fromUtf8(commonName));
    PCCERT_CONTEXT certificate = container.certificateWithKey(std::move(builder), commonName);
    WizardCertificate installed{commonName,
                                Bytes(certificate->pbCertEncoded, certificate->pbCertEncoded + certificate->cbCertEncoded)};
    HCERTSTORE my = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, u"MY");
    const BOOL added = my && CertAddCertificateContextToStore(my, certificate, CERT_STORE_ADD_ALWAYS, nullptr);
    if (my) CertCloseStore(my, 0);
    CertFreeCertificateContext(certificate);
    expect(added, "CertAddCertificateContextToStore(MY)");
    return installed;
}

}  // namespace

WizardCertificates WizardCertificates::install(const PlatformRoot& root, const pki::Hierarchy& hierarchy) {
    WizardCertificates set;
    set.pairNumber = "PV-2024-0042";
    set.cardNumber = "5550001234";
    set.qualified = installWithKey(root, "Tesk Wizard Qualified", qualifiedBuilder(hierarchy));
    set.authorityFamily = installWithKey(root, "Tesk Wizard Family",
                                         qualifiedBuilder(hierarchy, kQualifiedUsage,
                                                          {{std::string(kProductionFamilyPolicy)}}));
    set.parvelQualified = installWithKey(root, "Tesk Wizard Parvel Qualified",
                                         qualifiedBuilder(hierarchy).authorityExtension(set.pairNumber));
    set.parvelCommercial = installWithKey(root, "Tesk Wizard Parvel Commercial",
                                          commercialBuilder(hierarchy).authorityExtension(set.pairNumber));
    set.lawyer = installWithKey(root, "Tesk Wizard Lawyer",
                                qualifiedBuilder(hierarchy, kQualifiedUsage, {{std::string(kProductionType6Policy)}})
                                    .comment(set.cardNumber));
    for (const char* name : {"Tesk Wizard Lawyer Commercial 1", "Tesk Wizard Lawyer Commercial 2"})
        set.lawyerCommercial.push_back(installWithKey(root, name, commercialBuilder(hierarchy).comment(set.cardNumber)));
    set.noDigitalSignature =
        installWithKey(root, "Tesk Wizard No Signature", qualifiedBuilder(hierarchy, pki::kNonRepudiation));
    set.expired = installWithKey(root, "Tesk Wizard Expired",
                                 qualifiedBuilder(hierarchy).validity(pki::fromNow(-kYear), pki::fromNow(-24h)));
    return set;
}

}  // namespace testkit
