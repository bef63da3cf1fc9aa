// The certificate of each signer: found in the message, in the user's "MY"
// and "AddressBook" stores or in the caller's store, in that order, and a
// record of the issuer and serial number alone when none has it.
#include <gtest/gtest.h>

#include "certificate_support.h"
#include "common/owned_context.h"
#include "common/pkcs7.h"
#include "common/strings.h"
#include "pkcs7_fixtures.h"
#include "testkit/growth.h"

using namespace pkcs7_test;

namespace {

using certificate_support::userStore;

class Pkcs7Certificates : public Pkcs7Test {};

// Adds the certificate; with a container name it carries a key-provider
// property, which tells the copies apart.
void addTo(HCERTSTORE store, const pki::Certificate& certificate, const char16_t* container = nullptr) {
    PCCERT_CONTEXT added = nullptr;
    ASSERT_TRUE(CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, certificate.der().data(),
                                                 static_cast<DWORD>(certificate.der().size()),
                                                 CERT_STORE_ADD_REPLACE_EXISTING, &added));
    if (container) {
        std::u16string containerName = container, providerName = u"Microsoft Enhanced Cryptographic Provider v1.0";
        CRYPT_KEY_PROV_INFO info{containerName.data(), providerName.data(), PROV_RSA_FULL, 0, 0, nullptr, AT_SIGNATURE};
        EXPECT_TRUE(CertSetCertificateContextProperty(added, CERT_KEY_PROV_INFO_PROP_ID, 0, &info));
    }
    CertFreeCertificateContext(added);
}

CertInfo signerOf(const Bytes& message, HCERTSTORE extra = nullptr) {
    TPkcs7 reader;
    EXPECT_EQ(0u, reader.Open(message));
    CertInfo info;
    EXPECT_EQ(0u, reader.GetSignerCertificate(0, info, extra));
    return info;
}

}  // namespace

TEST_F(Pkcs7Certificates, EachSignersCertificateCostsTheSameHoweverManyTheMessageHolds) {
    const Samples& s = samples();
    EXPECT_TRUE(testkit::GrowsLinearly(
        [&](std::size_t count) {
            auto made = std::make_shared<ManySigners>(manySigners(s.pki.commercial.certificate, count));
            return [made, count] {
                TPkcs7 reader;
                ASSERT_EQ(0u, reader.Open(made->message));
                for (DWORD i = 0; i < count; ++i) {
                    CertInfo info;
                    ASSERT_EQ(0u, reader.GetSignerCertificate(i, info, nullptr));
                    ASSERT_EQ(made->certificates[i], info.der) << i;
                }
            };
        },
        500));
}

TEST_F(Pkcs7Certificates, SignersOfTheMessageInOrder) {
    const Samples& s = samples();
    TPkcs7 reader;
    ASSERT_EQ(0u, reader.Open(s.twoSigners));
    std::vector<CertInfo> signers{CertInfo{}};
    ASSERT_EQ(0u, reader.GetSignerCertificates(signers, nullptr, 0, 10));
    ASSERT_EQ(2u, signers.size());
    EXPECT_EQ(s.pki.commercial.certificate.der(), signers[0].der);
    EXPECT_EQ(s.pki.qualified.certificate.der(), signers[1].der);
    EXPECT_EQ(1u, signers[1].IsQualified());

    CertInfo second;
    EXPECT_EQ(0u, reader.GetSignerCertificate(1, second, nullptr));
    EXPECT_EQ(signers[1].serialHex, second.serialHex);
    EXPECT_EQ(1023u, reader.GetSignerCertificate(2, second, nullptr));
    EXPECT_EQ(1023u, reader.GetSignerCertificates(signers, nullptr, 2, 3));
    EXPECT_TRUE(signers.empty());
}

TEST_F(Pkcs7Certificates, SignerNowhereIsNamedByIssuerAndSerial) {
    const Samples& s = samples();
    const CertInfo info = signerOf(crafted({}));  // a message without certificates
    EXPECT_TRUE(info.der.empty());
    EXPECT_EQ("C=SK, O=Tesk, CN=Tesk Standard CA", info.issuerDn);
    const Bytes serial = s.pki.commercial.certificate.serial();
    const std::string hex = BytesToHex(serial.data(), serial.size());
    EXPECT_EQ(hex, info.serialHex.substr(info.serialHex.size() - hex.size()));
    EXPECT_EQ("", info.subjectDn);
}

TEST_F(Pkcs7Certificates, StoresAreSearchedAfterTheMessage) {
    const Samples& s = samples();
    const Bytes withoutCertificates = crafted({});
    const OwnedCertStore extra(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    addTo(extra.get(), s.pki.commercial.certificate);
    EXPECT_EQ(s.pki.commercial.certificate.der(), signerOf(withoutCertificates, extra.get()).der);

    // "AddressBook" comes before the caller's store, "MY" before both.
    addTo(userStore(u"AddressBook").get(), s.pki.commercial.certificate, u"from-address-book");
    EXPECT_EQ("from-address-book", signerOf(withoutCertificates, extra.get()).containerName);
    addTo(userStore(u"MY").get(), s.pki.commercial.certificate, u"from-my");
    EXPECT_EQ("from-my", signerOf(withoutCertificates, extra.get()).containerName);

    // The message's own certificate comes first of all.
    const CertInfo fromMessage = signerOf(s.attached, extra.get());
    EXPECT_EQ(s.pki.commercial.certificate.der(), fromMessage.der);
    EXPECT_EQ(0u, fromMessage.hasKeyProvInfo);
}
