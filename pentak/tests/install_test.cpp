// The issued certificate of a request the session made with a software key,
// issued by openssl, handed back as one certificate, as a PKCS#7 with its
// chain and with a CA bundle in CMF text: where it lands and which key it
// names, the installation log, and bundles that install nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "common/cryptoapi.h"
#include "common/decoded_object.h"
#include "common/pem.h"
#include "enroll.h"
#include "issued_certificate.h"
#include "key_records.h"
#include "known_providers.h"
#include "my_error.h"
#include "pentak_support.h"
#include "stores.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;

constexpr char16_t kInstallContainer[] = u"pentak-install";
constexpr char kCaDn[] = "C=SK, O=Tesk, CN=Tesk Standard CA";

// The certificate's copy in the user's store and the key it names; an empty
// provider when it is not there.
CertKeyInfo installedIn(const char16_t* store, const std::vector<BYTE>& der) {
    CertKeyInfo key;
    const OwnedCertStore opened = OpenUserStore(store);
    const OwnedCertContext wanted = contextOf(der);
    if (!opened || !wanted) return key;
    const OwnedCertContext found(
        CertFindCertificateInStore(opened.get(), kCertEncoding, 0, CERT_FIND_EXISTING, wanted.get(), nullptr));
    if (found) {
        TCryptoapi::GetCertKeyInfo(found.get(), key);
        if (key.provider.empty()) key.provider = u"(no key)";
    }
    return key;
}
bool isIn(const char16_t* store, const std::vector<BYTE>& der) { return !installedIn(store, der).provider.empty(); }

// A CMF blob of the certificate behind a header, as armoured text.
std::u16string cmfText(const std::vector<BYTE>& certificate) {
    const std::string header("TSKCMF\x04\0\0\0head", 14);
    std::vector<BYTE> blob(header.begin(), header.end());
    std::copy(certificate.begin(), certificate.end(), std::back_inserter(blob));
    return u"-----BEGIN CMF-----\n" + base64Of(blob) + u"-----END CMF-----\n";
}

class Installation : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        m_session.SetProviderName(kSoftwareProvider);
        m_session.SetContainerName(kInstallContainer);
        m_session.SetKeySpec(AT_KEYEXCHANGE);
        m_session.SetGenKeyFlags(1024u << 16);
        ASSERT_TRUE(m_session.KeyGenerate()) << std::hex << GetLastError();
        ASSERT_TRUE(m_session.AddSubjectAttribute("2.5.4.3", u"Pentak Install"));
        std::u16string request;
        ASSERT_TRUE(m_session.CreatePKCS10(request));
        m_request = bytesOfBase64(request);
    }

    std::vector<BYTE> issue(const std::string& serial) {
        return issueFromRequest(m_machine, m_request, hierarchy().standardCa, serial);
    }
    // The session without its key context, as after a restart of the caller.
    void forgetKey() {
        m_session.Reset();
        m_session.SetProviderName(kSoftwareProvider);
    }
    void expectBoundToTheKey(const std::vector<BYTE>& der, DWORD keySpec = AT_KEYEXCHANGE) {
        const CertKeyInfo key = installedIn(kStorePersonal, der);
        EXPECT_EQ(kSoftwareProvider, key.provider);
        EXPECT_EQ(kInstallContainer, key.container);
        EXPECT_EQ(static_cast<DWORD>(PROV_RSA_FULL), key.providerType);
        EXPECT_EQ(keySpec, key.keySpec);
    }
    std::u16string diagnostics() const { return CMyError::Instance().GetText(); }

    testkit::PlatformRoot m_machine;
    CEnroll m_session;
    std::vector<BYTE> m_request;
};

TEST_F(Installation, OneCertificateFindsItsKeyOpenOrThroughThePendingRequest) {
    // With the open key: its container, provider, type and key spec.
    const std::vector<BYTE> first = issue("11");
    ASSERT_TRUE(m_session.AcceptX509(base64Of(first))) << narrow(diagnostics());
    expectBoundToTheKey(first);

    // Without it: the pending request names the key, and stays.
    forgetKey();
    const std::vector<BYTE> second = issue("12");
    ASSERT_TRUE(m_session.AcceptX509(u"-----BEGIN CERTIFICATE-----\n" + base64Of(second) +
                                     u"-----END CERTIFICATE-----\n"));
    expectBoundToTheKey(second);
    const OwnedCertStore requests = OpenUserStore(kStoreRequest);
    EXPECT_TRUE(OwnedCertContext(CertEnumCertificatesInStore(requests.get(), nullptr)));

    // Neither the open key nor a pending request: refused, nothing added.
    const std::vector<BYTE> stranger = hierarchy().commercial.certificate.der();
    SetLastError(0);
    EXPECT_FALSE(m_session.AcceptX509(base64Of(stranger)));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_NOT_FOUND), GetLastError());
    EXPECT_TRUE(logHasLine(2870));
    EXPECT_FALSE(isIn(kStorePersonal, stranger));
}

TEST_F(Installation, APkcs7WithTheChainInstallsTheUserCertificateAndPassesOverItsCas) {
    forgetKey();
    const std::vector<BYTE> issued = issue("21");
    const std::string issuedPem = std::string(kPemCertificateBegin) + "\n" + narrow(base64Of(issued)) +
                                  kPemCertificateEnd + "\n";
    // The CA certificates come first, as a chain may list them.
    const std::vector<BYTE> chain = pkcs7Of(
        m_machine, {hierarchy().root.certificate.pem(), hierarchy().standardCa.certificate.pem(), issuedPem});
    ASSERT_TRUE(m_session.AcceptPkcs7(base64Of(chain))) << narrow(diagnostics());
    expectBoundToTheKey(issued);
    EXPECT_FALSE(isIn(kStorePersonal, hierarchy().standardCa.certificate.der()));

    // A chain without the user's certificate installs nothing.
    const std::vector<BYTE> casOnly = pkcs7Of(m_machine, {hierarchy().standardCa.certificate.pem()});
    EXPECT_FALSE(m_session.AcceptPkcs7(base64Of(casOnly)));
    EXPECT_TRUE(logHasLine(2870));
}

TEST_F(Installation, ACmfBundleAndTheUserCertificateGoWhereTheFlagsSay) {
    forgetKey();
    CMyError::Instance().Reset();
    const std::vector<BYTE> issued = issue("31");
    const std::vector<BYTE>& ca = hierarchy().standardCa.certificate.der();
    const std::u16string userText = u"-----BEGIN CERTIFICATE-----\n" + base64Of(issued) +
                                    u"-----END CERTIFICATE-----\n";

    // 2: the user's certificate into "MY" with its key; 8: the CA's into "CA".
    ASSERT_EQ(0u, m_session.EnrollX509(userText, cmfText(ca), 2 | 8)) << narrow(diagnostics());
    expectBoundToTheKey(issued);
    EXPECT_TRUE(isIn(kStoreCa, ca));
    EXPECT_EQ(wide(std::string("CA_CMF DN: ") + kCaDn + "\ncert   DN: CN=Pentak Install\nissuer DN: " + kCaDn +
                   "\npocet_certu: 1 pocet_cmf: 1\n"),
              diagnostics());
}

TEST_F(Installation, BundlesWithoutUserCertificatesOrWithABrokenItem) {
    forgetKey();
    const std::vector<BYTE> issued = issue("41");
    const std::vector<BYTE>& ca = hierarchy().standardCa.certificate.der();
    const std::vector<BYTE>& root = hierarchy().root.certificate.der();

    // A CMF item that holds no CMF blob fails the call before anything is
    // installed, the CA certificate before it included.
    CMyError::Instance().Reset();
    const std::u16string broken = cmfText(root) + u"-----BEGIN CMF-----\n" + base64Of(ca) + u"-----END CMF-----\n";
    EXPECT_NE(0u, m_session.EnrollX509(base64Of(issued), broken, 2 | 8));
    EXPECT_FALSE(isIn(kStorePersonal, issued));
    EXPECT_FALSE(isIn(kStoreRoot, root));
    EXPECT_EQ(u"pocet_certu: 0 pocet_cmf: 0\n", diagnostics());

    // Without user certificates only the CA flags act.
    CMyError::Instance().Reset();
    ASSERT_EQ(0u, m_session.EnrollX509(u"", cmfText(root), 2 | 8 | 16));
    EXPECT_TRUE(isIn(kStoreRoot, root));
    EXPECT_NE(std::u16string::npos, diagnostics().find(u"\npocet_certu: 0 pocet_cmf: 1\n"));
}

TEST_F(Installation, CmfToPemGivesPemCertificatesOpensslReads) {
    const std::vector<BYTE>& ca = hierarchy().standardCa.certificate.der();
    const std::vector<BYTE>& root = hierarchy().root.certificate.der();
    std::u16string pem = u"untouched";
    ASSERT_EQ(0u, m_session.CmfToPem(u"", pem));
    EXPECT_EQ(u"untouched", pem);

    const std::u16string bundle = cmfText(ca) + u"-----BEGIN CERTIFICATE-----\n" + base64Of(root) +
                                  u"-----END CERTIFICATE-----\n";
    ASSERT_EQ(0u, m_session.CmfToPem(bundle, pem));
    // Base64 in lines of 72 characters, each ended by LF.
    const auto pemOf = [](const std::vector<BYTE>& der) {
        return u"-----BEGIN CERTIFICATE-----\n" + base64Of(der) + u"-----END CERTIFICATE-----\n";
    };
    EXPECT_EQ(pemOf(ca) + pemOf(root), pem);
    m_machine.write("bundle.pem", narrow(pem));
    const auto read = testkit::run({"openssl", "x509", "-in", "bundle.pem", "-outform", "DER", "-out", "first.der"},
                                   m_machine.path());
    ASSERT_EQ(0, read.exitCode) << read.err;
    const std::string first = m_machine.read("first.der");
    EXPECT_EQ(ca, std::vector<BYTE>(first.begin(), first.end()));

    // A broken item: a failure, and the text stays.
    const std::u16string before = pem;
    EXPECT_NE(0u, m_session.CmfToPem(u"-----BEGIN CMF-----\nAAAA\n-----END CMF-----\n", pem));
    EXPECT_EQ(before, pem);
}

}  // namespace
