// What both backends do alike, checked by a second implementation: keys
// made in a software container and on a SoftHSM2 token sign SHA-256 hashes
// that `openssl dgst -verify` accepts and that CryptVerifySignature takes;
// the key's certificate is stored and read back.
#include "provider_support.h"
#include "testkit/csp.h"

using namespace provider_test;

namespace {

class EveryCsp : public ::testing::TestWithParam<testkit::CspKind> {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        if (GetParam() == testkit::CspKind::SoftHsmToken) TESTKIT_REQUIRE_SOFTHSM();
        m_csp.emplace(GetParam(), m_root);
    }

    testkit::PlatformRoot m_root;
    std::optional<testkit::TestCsp> m_csp;
};

INSTANTIATE_TEST_SUITE_P(Csp, EveryCsp, ::testing::Values(testkit::CspKind::Software, testkit::CspKind::SoftHsmToken),
                         ::testing::PrintToStringParamName());

}  // namespace

TEST_P(EveryCsp, Sha256SignaturesVerifyWithOpenssl) {
    m_csp->generate(AT_SIGNATURE, 2048);
    const auto signature = m_csp->sign(AT_SIGNATURE, CALG_SHA_256, "payload");
    EXPECT_EQ(256u, signature.size());
    const std::string pem = m_csp->publicKeyPem(AT_SIGNATURE);
    EXPECT_TRUE(testkit::opensslVerifies(m_root, pem, signature, "payload"));
    EXPECT_FALSE(testkit::opensslVerifies(m_root, pem, signature, "payloaD"));
}

TEST_P(EveryCsp, Sha1SignaturesOfTheExchangeKeyVerifyWithOpenssl) {
    m_csp->generate(AT_KEYEXCHANGE, 1024);
    const auto signature = m_csp->sign(AT_KEYEXCHANGE, CALG_SHA1, "abc");
    EXPECT_TRUE(testkit::opensslVerifies(m_root, m_csp->publicKeyPem(AT_KEYEXCHANGE), signature, "abc", "sha1"));
}

TEST_P(EveryCsp, CryptVerifySignatureTakesTheSignatureAndRefusesAnAlteredOne) {
    m_csp->generate(AT_SIGNATURE, 1024);
    auto signature = m_csp->sign(AT_SIGNATURE, CALG_SHA1, "message");
    const Bytes blob = m_csp->publicBlob(AT_SIGNATURE);
    Context verifier(nullptr, kAes, PROV_RSA_AES, CRYPT_VERIFYCONTEXT);
    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptImportKey(verifier.get(), blob.data(), static_cast<DWORD>(blob.size()), 0, 0, &key));
    auto verify = [&](const Bytes& sig, std::string_view data) {
        HCRYPTHASH hash = 0;
        EXPECT_TRUE(CryptCreateHash(verifier.get(), CALG_SHA1, 0, 0, &hash));
        CryptHashData(hash, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0);
        const DWORD error = failureOf(
            [&] { return CryptVerifySignatureW(hash, sig.data(), static_cast<DWORD>(sig.size()), key, nullptr, 0); });
        CryptDestroyHash(hash);
        return error;
    };
    EXPECT_EQ(0u, verify(signature, "message"));
    EXPECT_EQ(code(NTE_BAD_SIGNATURE), verify(signature, "massage"));
    signature[0] ^= 1;
    EXPECT_EQ(code(NTE_BAD_SIGNATURE), verify(signature, "message"));
    EXPECT_EQ(code(NTE_BAD_SIGNATURE), verify(Bytes(signature.begin(), signature.end() - 1), "message"));
    CryptDestroyKey(key);
}

TEST_P(EveryCsp, TheKeysCertificateIsStoredAndReadBack) {
    m_csp->generate(AT_SIGNATURE, 1024);
    const Bytes cert = opensslCertificate(m_root, "Tesk Signer");
    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptGetUserKey(m_csp->handle(), AT_SIGNATURE, &key));
    DWORD size = 0;
    EXPECT_EQ(code(SCARD_E_NO_SUCH_CERTIFICATE),
              failureOf([&] { return CryptGetKeyParam(key, KP_CERTIFICATE, nullptr, &size, 0); }));
    ASSERT_TRUE(CryptSetKeyParam(key, KP_CERTIFICATE, cert.data(), 0));
    CryptDestroyKey(key);

    // Read back through a context of its own.
    Context reader(m_csp->container().c_str(), m_csp->provider().c_str(),
                   GetParam() == testkit::CspKind::Software ? PROV_RSA_AES : PROV_RSA_FULL, 0);
    ASSERT_TRUE(reader) << reader.error();
    ASSERT_TRUE(CryptGetUserKey(reader.get(), AT_SIGNATURE, &key));
    Bytes small(16);
    size = static_cast<DWORD>(small.size());
    EXPECT_EQ(ERROR_MORE_DATA, failureOf([&] { return CryptGetKeyParam(key, KP_CERTIFICATE, small.data(), &size, 0); }));
    ASSERT_EQ(cert.size(), size);
    Bytes back(size);
    ASSERT_TRUE(CryptGetKeyParam(key, KP_CERTIFICATE, back.data(), &size, 0));
    EXPECT_EQ(cert, back);

    const Bytes notDer{0x04, 0x02, 0x01, 0x02};
    EXPECT_EQ(code(NTE_BAD_DATA), failureOf([&] { return CryptSetKeyParam(key, KP_CERTIFICATE, notDer.data(), 0); }));
    ASSERT_TRUE(CryptSetKeyParam(key, KP_CERTIFICATE, nullptr, 0));
    EXPECT_EQ(code(SCARD_E_NO_SUCH_CERTIFICATE),
              failureOf([&] { return CryptGetKeyParam(key, KP_CERTIFICATE, nullptr, &size, 0); }));
    CryptDestroyKey(key);
}

TEST_P(EveryCsp, ANewKeyReplacesTheOldOneAndItsCertificate) {
    m_csp->generate(AT_SIGNATURE, 1024);
    const Bytes first = m_csp->publicBlob(AT_SIGNATURE);
    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptGetUserKey(m_csp->handle(), AT_SIGNATURE, &key));
    const Bytes cert = opensslCertificate(m_root, "Old");
    ASSERT_TRUE(CryptSetKeyParam(key, KP_CERTIFICATE, cert.data(), 0));
    CryptDestroyKey(key);
    m_csp->generate(AT_SIGNATURE, 1024);
    EXPECT_NE(first, m_csp->publicBlob(AT_SIGNATURE));
    ASSERT_TRUE(CryptGetUserKey(m_csp->handle(), AT_SIGNATURE, &key));
    DWORD size = 0;
    EXPECT_EQ(code(SCARD_E_NO_SUCH_CERTIFICATE),
              failureOf([&] { return CryptGetKeyParam(key, KP_CERTIFICATE, nullptr, &size, 0); }));
    CryptDestroyKey(key);
}

TEST_P(EveryCsp, ContainersAreListedAndDeleted) {
    const DWORD type = GetParam() == testkit::CspKind::Software ? PROV_RSA_AES : PROV_RSA_FULL;
    char name[261];
    DWORD size = sizeof name;
    ASSERT_TRUE(CryptGetProvParam(m_csp->handle(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name), &size, CRYPT_FIRST));
    EXPECT_STREQ("testkit", name);
    size = sizeof name;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, failureOf([&] {
                  return CryptGetProvParam(m_csp->handle(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name), &size, 0);
              }));
    // Deleting from a token takes the PIN, which this new context asks for.
    testkit::PinPrompts prompts;
    if (m_csp->token()) prompts.answer(m_csp->token()->options().pin);
    HCRYPTPROV gone = 0;
    ASSERT_TRUE(CryptAcquireContextW(&gone, u"testkit", m_csp->provider().c_str(), type, CRYPT_DELETEKEYSET))
        << GetLastError();
    EXPECT_EQ(m_csp->token() ? 1u : 0u, prompts.shown().size());
    EXPECT_EQ(code(NTE_BAD_KEYSET), Context(u"testkit", m_csp->provider().c_str(), type, 0).error());
}
