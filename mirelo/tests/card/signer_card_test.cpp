// The provider of an inserted smart card made the signer's current one,
// through a pcscd of the test's own with virtual cards in its two readers
// and their types and providers in the smart-card database of a fresh
// registry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/csp_manager.h"
#include "common/log.h"
#include "signer.h"
#include "testkit/card_reader.h"
#include "testkit/csp.h"
#include "testkit/pki.h"
#include "testkit/platform_root.h"
#include "win32/crypt_provider.h"
#include "win32/crypt_store.h"
#include "win32/scard.h"

namespace {

using Bytes = std::vector<BYTE>;
namespace pki = testkit::pki;

constexpr char kCardProvider[] = "Microsoft Enhanced RSA and AES Cryptographic Provider";
const Bytes kAtrCard = {0x3B, 0x8A, 0x80, 0x01, 0x54, 0x45, 0x53, 0x4B, 0x2D, 0x42, 0x00, 0x00, 0x00, 0x00, 0x19};
const Bytes kAtrPlain = {0x3B, 0x02, 0x14, 0x50};

void introduce(const char* card, const Bytes& atr, const char* provider) {
    ASSERT_EQ(SCARD_S_SUCCESS, SCardIntroduceCardTypeA(0, card, nullptr, nullptr, 0, atr.data(), nullptr,
                                                       static_cast<DWORD>(atr.size())));
    if (provider) {
        ASSERT_EQ(SCARD_S_SUCCESS, SCardSetCardTypeProviderNameA(0, card, SCARD_PROVIDER_CSP, provider));
    }
}

// Puts the certificate on the container's exchange key, where a provider
// that keeps its certificates in its containers finds it.
void storeOnKey(const testkit::TestCsp& csp, PCCERT_CONTEXT certificate) {
    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptGetUserKey(csp.handle(), AT_KEYEXCHANGE, &key));
    EXPECT_TRUE(CryptSetKeyParam(key, KP_CERTIFICATE, certificate->pbCertEncoded, 0));
    CryptDestroyKey(key);
}

// A signer that remembers a certificate as an earlier choice would have.
class RememberingSigner : public TSigner {
public:
    void remember(LONG kind, const CertInfo& certificate) { m_certs.AddCertificate(kind, certificate, false); }
};

class SignerCard : public ::testing::Test {
protected:
    void SetUp() override { TLogStrVect::Instance()->SetMask(0xFF); }
    void TearDown() override { TCSPManager::InitDefaultProviders(); }

    testkit::PlatformRoot root;
};

TEST_F(SignerCard, TheCardWhoseProviderKeepsItsCertificatesIsTakenFromWhicheverReaderHoldsIt) {
    testkit::CardReaders readers;
    introduce("Tesk card", kAtrCard, kCardProvider);
    introduce("Plain card", kAtrPlain, nullptr);
    RememberingSigner signer;
    TCSPManager::ConfigureProvider(kCardProvider, kProviderSecureDevice);
    const std::string before = signer.GetCurrentCSP();
    std::string provider;

    EXPECT_FALSE(signer.SetPresentCardCSP(provider));
    EXPECT_EQ(5009, signer.GetLastErrorNumber()) << "no card in either reader";

    auto plain = readers.insert(0, kAtrPlain);
    EXPECT_FALSE(signer.SetPresentCardCSP(provider));
    EXPECT_EQ(5000, signer.GetLastErrorNumber()) << "a card without a provider is no candidate";
    EXPECT_EQ("", provider);

    // The card's provider is tried, but holds no certificate yet.
    testkit::TestCsp csp(testkit::CspKind::Software, root);
    auto card = readers.insert(1, kAtrCard);
    EXPECT_FALSE(signer.SetPresentCardCSP(provider));
    EXPECT_EQ(static_cast<LONG>(kErrNoContainerCertificate), signer.GetLastErrorNumber());
    EXPECT_EQ(kCardProvider, provider);
    EXPECT_EQ(before, signer.GetCurrentCSP());

    const auto issuer = pki::Hierarchy::make().standardCa;
    PCCERT_CONTEXT certificate = csp.certificateWithKey("Card Holder", issuer);
    ASSERT_NE(nullptr, certificate);
    storeOnKey(csp, certificate);
    CertInfo holder;
    ASSERT_TRUE(TCryptoapi::GetCertInfo(certificate, holder));
    CertFreeCertificateContext(certificate);
    provider.clear();
    EXPECT_TRUE(signer.SetPresentCardCSP(provider)) << signer.GetLastErrorStr();
    EXPECT_EQ(kCardProvider, provider);
    EXPECT_EQ(kCardProvider, signer.GetCurrentCSP());

    // With the card's provider current, a remembered certificate is found
    // among its container certificates, not in the user's store.
    signer.remember(0, holder);
    CertInfo preset;
    ASSERT_TRUE(signer.GetCertificate(0, preset, false));
    EXPECT_EQ(holder.serialHex, preset.serialHex);
    EXPECT_EQ(kCardProvider, preset.providerName);
}

TEST_F(SignerCard, NoReaderIsReportedAsSuch) {
    testkit::CardReaders readers(testkit::CardReaders::Readers::None);
    TSigner signer;
    std::string provider = "unchanged";
    EXPECT_FALSE(signer.SetPresentCardCSP(provider));
    EXPECT_EQ(3003, signer.GetLastErrorNumber());
    EXPECT_EQ("unchanged", provider);
}

}  // namespace
