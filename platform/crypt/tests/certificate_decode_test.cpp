// Certificates, requests and CRLs made by OpenSSL, decoded into CERT_INFO,
// CERT_REQUEST_INFO and CRL_INFO and encoded back to the same bytes; RSA
// keys between PKCS #1 and the CryptoAPI key blobs.
#include <gtest/gtest.h>

#include <cstring>

#include "crypt_support.h"
#include "openssl_fixtures.h"
#include "platform/text.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "win32/crypt_names.h"
#include "win32/crypt_oid.h"
#include "win32/crypt_string.h"

using namespace crypt_test;

namespace {

Bytes derOfPem(const std::string& pem) {
    DWORD size = 0;
    EXPECT_TRUE(CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr));
    Bytes der(size);
    EXPECT_TRUE(CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr));
    return der;
}

// A self-signed certificate and a request made by `openssl req`.
struct OpensslFiles {
    testkit::PlatformRoot root;
    Bytes certificate;
    Bytes request;
    std::string modulusHex;

    OpensslFiles() {
        const auto dir = root.path();
        const std::vector<std::string> common = {
            "-newkey", "rsa:2048", "-nodes", "-keyout", (dir / "key.pem").string(), "-utf8", "-subj",
            "/C=CZ/O=Firma, a.s./CN=Jan Novák", "-addext", "subjectAltName=email:jan@firma.cz,DNS:firma.cz,IP:10.0.0.1",
            "-addext", "keyUsage=critical,digitalSignature,nonRepudiation"};
        std::vector<std::string> x509 = {"openssl", "req", "-x509", "-days", "30", "-set_serial", "0x00FF01",
                                         "-out", (dir / "cert.pem").string()};
        x509.insert(x509.end(), common.begin(), common.end());
        auto result = testkit::run(x509);
        EXPECT_EQ(0, result.exitCode) << result.err;
        certificate = derOfPem(testkit::readFile(dir / "cert.pem"));
        std::vector<std::string> csr = {"openssl", "req", "-new", "-out", (dir / "req.pem").string()};
        csr.insert(csr.end(), common.begin(), common.end());
        result = testkit::run(csr);
        EXPECT_EQ(0, result.exitCode) << result.err;
        request = derOfPem(testkit::readFile(dir / "req.pem"));
        result = testkit::run({"openssl", "x509", "-in", (dir / "cert.pem").string(), "-noout", "-modulus"});
        modulusHex = result.out.substr(result.out.find('=') + 1);
        modulusHex.erase(modulusHex.find_last_not_of("\r\n") + 1);
    }
};

const CERT_EXTENSION* extension(const CERT_INFO& cert, const char* oid) {
    for (DWORD i = 0; i < cert.cExtension; ++i)
        if (std::strcmp(cert.rgExtension[i].pszObjId, oid) == 0) return &cert.rgExtension[i];
    return nullptr;
}

ULONGLONG ticks(const FILETIME& ft) { return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

}  // namespace

class OpensslMade : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (testkit::findProgram("openssl")) s_files = new OpensslFiles;
    }
    static void TearDownTestSuite() {
        delete s_files;
        s_files = nullptr;
    }
    void SetUp() override { TESTKIT_REQUIRE_PROGRAM("openssl"); }
    static OpensslFiles* s_files;
};
OpensslFiles* OpensslMade::s_files = nullptr;

TEST_F(OpensslMade, CertificateDecodesIntoCertInfoWithTheRightFields) {
    auto cert = decode<CERT_INFO>(X509_CERT_TO_BE_SIGNED, s_files->certificate);
    ASSERT_TRUE(cert);
    EXPECT_EQ(CERT_V3, cert->dwVersion);
    EXPECT_EQ("01FF00", hex(bytesOf(cert->SerialNumber)));  // little-endian, with its sign byte
    EXPECT_STREQ(szOID_RSA_SHA256RSA, cert->SignatureAlgorithm.pszObjId);
    EXPECT_EQ(hex(bytesOf(cert->Issuer)), hex(bytesOf(cert->Subject)));
    EXPECT_EQ(30ull * 24 * 3600 * 10'000'000, ticks(cert->NotAfter) - ticks(cert->NotBefore));
    char subject[256];
    CertNameToStrA(X509_ASN_ENCODING, &cert->Subject, CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG, subject,
                   sizeof subject);
    EXPECT_EQ(platform::text::toNarrow(u"CN=Jan Novák, O=\"Firma, a.s.\", C=CZ"), subject);
    EXPECT_STREQ(szOID_RSA_RSA, cert->SubjectPublicKeyInfo.Algorithm.pszObjId);
    EXPECT_EQ("0500", hex(bytesOf(cert->SubjectPublicKeyInfo.Algorithm.Parameters)));

    const CERT_EXTENSION* san = extension(*cert, szOID_SUBJECT_ALT_NAME2);
    ASSERT_NE(nullptr, san);
    auto names = decode<CERT_ALT_NAME_INFO>(szOID_SUBJECT_ALT_NAME2, bytesOf(san->Value));
    ASSERT_TRUE(names);
    ASSERT_EQ(3u, names->cAltEntry);
    EXPECT_EQ(std::u16string(u"firma.cz"), names->rgAltEntry[1].pwszDNSName);
    EXPECT_EQ("0A000001", hex(bytesOf(names->rgAltEntry[2].IPAddress)));
    const CERT_EXTENSION* usage = extension(*cert, szOID_KEY_USAGE);
    ASSERT_NE(nullptr, usage);
    EXPECT_TRUE(usage->fCritical);
    auto bits = decode<CRYPT_BIT_BLOB>(X509_KEY_USAGE, bytesOf(usage->Value));
    ASSERT_TRUE(bits);
    EXPECT_EQ(CERT_DIGITAL_SIGNATURE_KEY_USAGE | CERT_NON_REPUDIATION_KEY_USAGE, bits->pbData[0]);

    auto key = decode<BYTE>(RSA_CSP_PUBLICKEYBLOB, bytesOf({cert->SubjectPublicKeyInfo.PublicKey.cbData,
                                                             cert->SubjectPublicKeyInfo.PublicKey.pbData}));
    ASSERT_TRUE(key);
    RSAPUBKEY rsa;
    std::memcpy(&rsa, key.get() + sizeof(BLOBHEADER), sizeof rsa);
    EXPECT_EQ(RSA1_MAGIC, rsa.magic);
    EXPECT_EQ(2048u, rsa.bitlen);
    EXPECT_EQ(65537u, rsa.pubexp);
    const Bytes modulus(key.get() + sizeof(BLOBHEADER) + sizeof rsa, key.get() + sizeof(BLOBHEADER) + sizeof rsa + 256);
    EXPECT_EQ(s_files->modulusHex, hex(Bytes(modulus.rbegin(), modulus.rend())));
}

TEST_F(OpensslMade, CertificateEncodesBackByteForByte) {
    auto signedContent = decode<CERT_SIGNED_CONTENT_INFO>(X509_CERT, s_files->certificate);
    ASSERT_TRUE(signedContent);
    // The signature comes byte-reversed, as CryptoAPI keeps it.
    const Bytes& der = s_files->certificate;
    EXPECT_EQ(der.back(), signedContent->Signature.pbData[0]);
    EXPECT_EQ(hex(der), hex(encode(X509_CERT, signedContent.get())));
    auto plain = decode<CERT_SIGNED_CONTENT_INFO>(X509_CERT, der, CRYPT_DECODE_NO_SIGNATURE_BYTE_REVERSAL_FLAG);
    ASSERT_TRUE(plain);
    EXPECT_EQ(der.back(), plain->Signature.pbData[plain->Signature.cbData - 1]);

    const Bytes tbs = bytesOf(signedContent->ToBeSigned);
    auto cert = decode<CERT_INFO>(X509_CERT_TO_BE_SIGNED, tbs, CRYPT_DECODE_TO_BE_SIGNED_FLAG);
    ASSERT_TRUE(cert);
    EXPECT_EQ(hex(tbs), hex(encode(X509_CERT_TO_BE_SIGNED, cert.get())));
    auto spki = decode<CERT_PUBLIC_KEY_INFO>(X509_PUBLIC_KEY_INFO, encode(X509_PUBLIC_KEY_INFO, &cert->SubjectPublicKeyInfo));
    ASSERT_TRUE(spki);
    EXPECT_EQ(cert->SubjectPublicKeyInfo.PublicKey.cbData, spki->PublicKey.cbData);
    // Without the flag the input must be the signed certificate.
    EXPECT_NE(0u, decodeError(X509_CERT_TO_BE_SIGNED, tbs));
}

TEST_F(OpensslMade, RequestDecodesWithItsExtensionRequestAndEncodesBack) {
    auto request = decode<CERT_REQUEST_INFO>(X509_CERT_REQUEST_TO_BE_SIGNED, s_files->request);
    ASSERT_TRUE(request);
    EXPECT_EQ(CERT_REQUEST_V1, request->dwVersion);
    ASSERT_EQ(1u, request->cAttribute);
    EXPECT_STREQ(szOID_CERT_EXTENSIONS, request->rgAttribute[0].pszObjId);
    auto extensions = decode<CERT_EXTENSIONS>(X509_EXTENSIONS, bytesOf(request->rgAttribute[0].rgValue[0]));
    ASSERT_TRUE(extensions);
    EXPECT_EQ(2u, extensions->cExtension);
    auto signedContent = decode<CERT_SIGNED_CONTENT_INFO>(X509_CERT, s_files->request);
    ASSERT_TRUE(signedContent);
    EXPECT_EQ(hex(bytesOf(signedContent->ToBeSigned)), hex(encode(X509_CERT_REQUEST_TO_BE_SIGNED, request.get())));
}

namespace {

Bytes littleEndian(const Bytes& bigEndian, std::size_t size) {
    Bytes le(bigEndian.rbegin(), bigEndian.rend());
    le.resize(size);
    return le;
}

}  // namespace

TEST(RsaBlobs, PublicAndPrivateKeysBetweenPkcs1AndKeyBlobs) {
    const auto key = openssl::rsaKey(1024);
    auto blob = decode<BYTE>(RSA_CSP_PUBLICKEYBLOB, key.publicKey);
    ASSERT_TRUE(blob);
    BLOBHEADER header;
    std::memcpy(&header, blob.get(), sizeof header);
    EXPECT_EQ(PUBLICKEYBLOB, header.bType);
    EXPECT_EQ(CUR_BLOB_VERSION, header.bVersion);
    EXPECT_EQ(CALG_RSA_KEYX, header.aiKeyAlg);
    EXPECT_EQ(hex(littleEndian(key.n, 128)), hex(Bytes(blob.get() + 20, blob.get() + 20 + 128)));
    EXPECT_EQ(hex(key.publicKey), hex(encode(RSA_CSP_PUBLICKEYBLOB, blob.get())));

    auto privateBlob = decode<BYTE>(PKCS_RSA_PRIVATE_KEY, key.privateKey);
    ASSERT_TRUE(privateBlob);
    RSAPUBKEY rsa;
    std::memcpy(&rsa, privateBlob.get() + 8, sizeof rsa);
    EXPECT_EQ(RSA2_MAGIC, rsa.magic);
    EXPECT_EQ(1024u, rsa.bitlen);
    EXPECT_EQ(65537u, rsa.pubexp);
    const BYTE* numbers = privateBlob.get() + 20;  // n, p, q, dp, dq, qInv, d
    EXPECT_EQ(hex(littleEndian(key.p, 64)), hex(Bytes(numbers + 128, numbers + 192)));
    EXPECT_EQ(hex(littleEndian(key.coefficient, 64)), hex(Bytes(numbers + 128 + 4 * 64, numbers + 128 + 5 * 64)));
    EXPECT_EQ(hex(littleEndian(key.d, 128)), hex(Bytes(numbers + 128 + 5 * 64, numbers + 256 + 5 * 64)));
    EXPECT_EQ(hex(key.privateKey), hex(encode(PKCS_RSA_PRIVATE_KEY, privateBlob.get())));

    header.bType = PRIVATEKEYBLOB;  // a public blob that claims to be private
    std::memcpy(blob.get(), &header, sizeof header);
    DWORD size = 0;
    EXPECT_FALSE(CryptEncodeObject(X509_ASN_ENCODING, PKCS_RSA_PRIVATE_KEY, blob.get(), nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());
}

TEST(Crl, DecodesEntriesAndExtensionsAndEncodesBack) {
    const Bytes der = openssl::signedCrl();
    auto info = decode<CRL_INFO>(X509_CERT_CRL_TO_BE_SIGNED, der);
    ASSERT_TRUE(info);
    EXPECT_EQ(CRL_V2, info->dwVersion);
    EXPECT_EQ(7ull * 86400 * 10'000'000, ticks(info->NextUpdate) - ticks(info->ThisUpdate));
    ASSERT_EQ(2u, info->cCRLEntry);
    EXPECT_EQ("3412", hex(bytesOf(info->rgCRLEntry[0].SerialNumber)));
    EXPECT_EQ("8000", hex(bytesOf(info->rgCRLEntry[1].SerialNumber)));
    ASSERT_EQ(1u, info->rgCRLEntry[0].cExtension);
    auto reason = decode<int>(szOID_CRL_REASON_CODE, bytesOf(info->rgCRLEntry[0].rgExtension[0].Value));
    ASSERT_TRUE(reason);
    EXPECT_EQ(1, *reason);
    auto signedContent = decode<CERT_SIGNED_CONTENT_INFO>(X509_CERT, der);
    ASSERT_TRUE(signedContent);
    EXPECT_EQ(hex(bytesOf(signedContent->ToBeSigned)), hex(encode(X509_CERT_CRL_TO_BE_SIGNED, info.get())));
}
