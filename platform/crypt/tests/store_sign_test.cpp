// CryptSignAndEncodeCertificate: a certification request signed with a
// container's key, judged by `openssl req -verify`.
#include "store_fixture.h"
#include "win32/crypt_provider.h"

using namespace store_test;

namespace {

// A key container of the provider type with a fresh 1024-bit signature key.
class SignatureKey {
public:
    SignatureKey(const char16_t* container, DWORD type) {
        EXPECT_TRUE(CryptAcquireContextW(&m_prov, container, nullptr, type, CRYPT_NEWKEYSET)) << std::hex
                                                                                                << GetLastError();
        HCRYPTKEY key = 0;
        EXPECT_TRUE(CryptGenKey(m_prov, AT_SIGNATURE, 1024u << 16, &key));
        CryptDestroyKey(key);
        DWORD size = 0;
        CryptExportPublicKeyInfo(m_prov, AT_SIGNATURE, X509_ASN_ENCODING, nullptr, &size);
        m_publicKey.resize(size);
        EXPECT_TRUE(CryptExportPublicKeyInfo(m_prov, AT_SIGNATURE, X509_ASN_ENCODING, publicKey(), &size));
    }
    ~SignatureKey() { CryptReleaseContext(m_prov, 0); }
    SignatureKey(const SignatureKey&) = delete;
    SignatureKey& operator=(const SignatureKey&) = delete;

    HCRYPTPROV handle() const { return m_prov; }
    CERT_PUBLIC_KEY_INFO* publicKey() { return reinterpret_cast<CERT_PUBLIC_KEY_INFO*>(m_publicKey.data()); }

private:
    HCRYPTPROV m_prov = 0;
    Bytes m_publicKey;
};

BOOL signRequest(HCRYPTPROV prov, CERT_REQUEST_INFO& request, const char* algorithmOid, BYTE* out, DWORD* size) {
    CRYPT_ALGORITHM_IDENTIFIER algorithm{const_cast<char*>(algorithmOid), {}};
    return CryptSignAndEncodeCertificate(prov, AT_SIGNATURE, X509_ASN_ENCODING, X509_CERT_REQUEST_TO_BE_SIGNED,
                                         &request, &algorithm, nullptr, out, size);
}

}  // namespace

TEST_F(StoreTest, SignedRequestsVerifyWithOpensslUnderTheAlgorithmGiven) {
    // "CN=Signed" as the layer encodes it.
    const Bytes subject = crypt_test::fromHex("3011310F300D06035504030C065369676E6564");
    struct Case {
        const char16_t* container;
        DWORD providerType;
        const char* algorithmOid;
        const char* opensslName;
    };
    for (const Case& c : {Case{u"sign-sha1", PROV_RSA_FULL, "1.3.14.3.2.29", "sha1WithRSA"},
                          Case{u"sign-sha256", PROV_RSA_AES, szOID_RSA_SHA256RSA, "sha256WithRSAEncryption"}}) {
        SCOPED_TRACE(c.algorithmOid);
        SignatureKey key(c.container, c.providerType);
        CERT_REQUEST_INFO request{CERT_REQUEST_V1, crypt_test::blobOf(subject), *key.publicKey(), 0, nullptr};

        DWORD size = 0;
        ASSERT_TRUE(signRequest(key.handle(), request, c.algorithmOid, nullptr, &size)) << std::hex << GetLastError();
        Bytes der(size);
        DWORD shortSize = size - 1;
        EXPECT_FALSE(signRequest(key.handle(), request, c.algorithmOid, der.data(), &shortSize));
        EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
        EXPECT_EQ(size, shortSize);
        ASSERT_TRUE(signRequest(key.handle(), request, c.algorithmOid, der.data(), &size));
        EXPECT_EQ(der.size(), size) << "the size query measured exactly";

        m_root.write("request.der", std::string(der.begin(), der.end()));
        const auto verified = testkit::run({"openssl", "req", "-inform", "DER", "-in", "request.der", "-verify",
                                            "-noout", "-text"},
                                           m_root.path());
        EXPECT_EQ(0, verified.exitCode) << verified.err;
        EXPECT_NE(std::string::npos, verified.err.find("verify OK")) << verified.err;
        EXPECT_NE(std::string::npos, verified.out.find(std::string("Signature Algorithm: ") + c.opensslName))
            << verified.out;
    }

    // A hash alone names no signature; nothing is written.
    SignatureKey key(u"sign-hash", PROV_RSA_FULL);
    CERT_REQUEST_INFO request{CERT_REQUEST_V1, crypt_test::blobOf(subject), *key.publicKey(), 0, nullptr};
    DWORD size = 0;
    EXPECT_FALSE(signRequest(key.handle(), request, szOID_OIWSEC_sha1, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_UNKNOWN_ALGO), GetLastError());
}
