// Certificate checks: self-signed roots, issuers by name and key
// identifier, and the certificates a user may sign with.
#include <gtest/gtest.h>

#include "cert_checks.h"
#include "pentak_support.h"

namespace {

using namespace pentak_test;

struct Pki {
    pki::Name rootName{{"CN", "Pentak Checks Root"}};
    pki::Credential root = pki::CertificateBuilder().subject(rootName).basicConstraints({true}).build();
    pki::Credential ca =
        pki::CertificateBuilder().subject({{"CN", "Pentak Checks CA"}}).basicConstraints({true}).issuedBy(root).build();
    // The root's name on both sides, signed by the CA's key.
    pki::Credential falseRoot = pki::CertificateBuilder()
                                    .subject(rootName)
                                    .key(pki::Key::rsa(2048, "Pentak false root"))
                                    .issuedBy(ca)
                                    .issuerName(rootName)
                                    .build();
};

const Pki& checksPki() {
    static const Pki made;
    return made;
}

TEST(CompareCertificateNames, OnlyACertificateSignedByItsOwnKeyUnderItsOwnNameIsARoot) {
    EXPECT_TRUE(CompareCertificateNames(contextOf(checksPki().root.certificate).get()));
    EXPECT_FALSE(CompareCertificateNames(contextOf(checksPki().ca.certificate).get()));
    EXPECT_FALSE(CompareCertificateNames(contextOf(checksPki().falseRoot.certificate).get()));
    EXPECT_FALSE(CompareCertificateNames(nullptr));
}

TEST(VerifySubjectCertificate, EveryCheckAskedForMustPass) {
    const auto ca = contextOf(checksPki().ca.certificate);
    const auto root = contextOf(checksPki().root.certificate);
    const auto expired = contextOf(hierarchy().expired.certificate);
    EXPECT_TRUE(VerifySubjectCertificate(ca.get(), root.get(), CERT_STORE_SIGNATURE_FLAG | CERT_STORE_TIME_VALIDITY_FLAG));
    EXPECT_FALSE(VerifySubjectCertificate(ca.get(), ca.get(), CERT_STORE_SIGNATURE_FLAG));
    EXPECT_FALSE(VerifySubjectCertificate(expired.get(), nullptr, CERT_STORE_TIME_VALIDITY_FLAG));
    EXPECT_FALSE(VerifySubjectCertificate(nullptr, root.get(), CERT_STORE_SIGNATURE_FLAG));
}

TEST(IsIssuerOf, NeedsTheNameAndTheKeyIdentifier) {
    const auto& h = hierarchy();
    const auto commercial = contextOf(h.commercial.certificate);
    EXPECT_TRUE(IsIssuerOf(commercial.get(), contextOf(h.standardCa.certificate).get()));
    EXPECT_FALSE(IsIssuerOf(commercial.get(), contextOf(h.qualifiedCa.certificate).get()));

    // The CA's name over another key.
    const pki::Name caName{{"CN", "Pentak Checks CA"}};
    const auto namesake = pki::CertificateBuilder()
                              .subject(caName)
                              .key(pki::Key::rsa(2048, "Pentak namesake CA"))
                              .basicConstraints({true})
                              .build();
    const auto user = pki::CertificateBuilder().subject({{"CN", "Pentak user"}}).issuedBy(checksPki().ca).build();
    EXPECT_TRUE(IsIssuerOf(contextOf(user.certificate).get(), contextOf(checksPki().ca.certificate).get()));
    EXPECT_FALSE(IsIssuerOf(contextOf(user.certificate).get(), contextOf(namesake.certificate).get()));

    // Without key identifiers on either side.
    const auto bare = pki::CertificateBuilder().subject({{"CN", "Pentak bare"}}).issuedBy(h.standardCa).keyIdentifiers(false).build();
    EXPECT_FALSE(IsIssuerOf(contextOf(bare.certificate).get(), contextOf(h.standardCa.certificate).get()));
    const auto bareCa = pki::CertificateBuilder()
                            .subject({{"CN", "Pentak bare CA"}})
                            .basicConstraints({true})
                            .issuedBy(h.root)
                            .keyIdentifiers(false)
                            .build();
    const auto child = pki::CertificateBuilder().subject({{"CN", "Pentak child"}}).issuedBy(bareCa).build();
    EXPECT_FALSE(IsIssuerOf(contextOf(child.certificate).get(), contextOf(bareCa.certificate).get()));
    EXPECT_FALSE(IsIssuerOf(nullptr, contextOf(h.standardCa.certificate).get()));
}

TEST(IsUsableCertificate, ValidWithAKeyAndFromAListedIssuer) {
    const auto& h = hierarchy();
    const auto keyed = [](const pki::Credential& credential) {
        OwnedCertContext context = contextOf(credential.certificate);
        nameKey(context.get(), u"Microsoft Enhanced RSA and AES Cryptographic Provider", u"pentak", AT_KEYEXCHANGE);
        return context;
    };
    const CaRestriction none = CaRestriction::FromPem(u"");
    EXPECT_TRUE(IsUsableCertificate(keyed(h.commercial).get(), none));
    EXPECT_FALSE(IsUsableCertificate(keyed(h.expired).get(), none));
    EXPECT_FALSE(IsUsableCertificate(keyed(h.notYetValid).get(), none));
    EXPECT_FALSE(IsUsableCertificate(contextOf(h.commercial.certificate).get(), none));

    const std::string standard = h.standardCa.certificate.pem();
    const std::string qualified = h.qualifiedCa.certificate.pem();
    EXPECT_TRUE(IsUsableCertificate(keyed(h.commercial).get(), CaRestriction::FromPem(wide(qualified + standard))));
    EXPECT_FALSE(IsUsableCertificate(keyed(h.commercial).get(), CaRestriction::FromPem(wide(qualified))));
    // A list given but cut short restricts to nothing.
    EXPECT_FALSE(IsUsableCertificate(keyed(h.commercial).get(), CaRestriction::FromPem(wide(standard.substr(0, 200)))));
}

}  // namespace
