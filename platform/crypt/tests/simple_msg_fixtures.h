// Fixtures of the message-encoding tests: a signing certificate of the
// testkit hierarchy for a key made in a provider (software or a SoftHSM2
// token), the `openssl cms` peer that judges what we make, and the
// signed-attribute values the system signs with, made by CryptEncodeObject.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "last_error_code.h"
#include "crypt_support.h"
#include "msg_fixtures.h"
#include "testkit/csp.h"
#include "testkit/openssl_peer.h"
#include "testkit/softhsm.h"
#include "win32/crypt_simple_msg.h"
#include "win32/crypt_store.h"
#include "win32/datetime.h"

namespace simple_msg_test {

using namespace msg_test;

// The hierarchy the decoding tests' openssl messages come from, so that one
// root judges both.
inline const pki::Hierarchy& hierarchy() { return msg_test::samples().pki; }

struct CertificateFreer {
    void operator()(PCCERT_CONTEXT c) const noexcept { CertFreeCertificateContext(c); }
};
using Certificate = std::unique_ptr<const CERT_CONTEXT, CertificateFreer>;

inline Certificate contextOf(const Bytes& der) {
    Certificate c(CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
    EXPECT_TRUE(c) << std::hex << GetLastError();
    return c;
}

inline Bytes bytesOf(PCCERT_CONTEXT c) { return Bytes(c->pbCertEncoded, c->pbCertEncoded + c->cbCertEncoded); }

// Files for the openssl peer in a folder of the test's platform root:
// root.pem, ca.pem (the commercial CA), root-and-ca.pem and what the test
// writes.
class Peer : public testkit::OpensslPeer {
public:
    explicit Peer(const testkit::PlatformRoot& root) : OpensslPeer(root.path() / "peer") {
        testkit::writeFile(folder() / "root.pem", hierarchy().root.certificate.pem());
        testkit::writeFile(folder() / "ca.pem", hierarchy().standardCa.certificate.pem());
        testkit::writeFile(folder() / "root-and-ca.pem",
                           hierarchy().root.certificate.pem() + hierarchy().standardCa.certificate.pem());
        hierarchy().standardCa.write(folder(), "issuer");
    }

    // `openssl cms -verify` against the root, the CA given apart; the
    // content it gives back must be `content`. Empty when it passes, else
    // its complaint.
    std::string verifyFails(const Bytes& message, const Bytes& content, bool detached) const {
        return verifyFails(message, content, detached, "root.pem", "ca.pem");
    }
    // The same with other files of anchors and of certificates the signer
    // is looked for among (openssl builds the chain from the message's
    // certificates and the anchors only).
    std::string verifyFails(const Bytes& message, const Bytes& content, bool detached, const std::string& anchors,
                            const std::string& certificates) const {
        return cmsVerifyFails(message, content, detached, {"-CAfile", anchors, "-certfile", certificates});
    }
};

// A signing certificate (digitalSignature and nonRepudiation, a serial
// whose top bit is set) from the commercial CA for a 2048-bit signature key
// made in the provider, its CERT_KEY_PROV_INFO_PROP_ID naming the container.
// No context of the container stays open, so a token's next use asks for
// its PIN again. The peer gets signer.pem.
class CspSigner {
public:
    CspSigner(testkit::CspKind kind, const testkit::PlatformRoot& root, const Peer& peer,
              const std::string& serial = "0x8A1B2C3D4E5F6071") {
        if (kind == testkit::CspKind::SoftHsmToken) {
            m_token.emplace(root);
            m_provider = m_token->options().provider;
            m_type = PROV_RSA_FULL;
        }
        peer.write("signer-key.der", makeKey());
        testkit::writeFile(peer.folder() / "signer.cnf",
                           "[v3]\nkeyUsage=critical,digitalSignature,nonRepudiation\n"
                           "subjectKeyIdentifier=hash\nauthorityKeyIdentifier=keyid\n");
        for (std::vector<std::string> step :
             {std::vector<std::string>{"pkey", "-pubin", "-inform", "DER", "-in", "signer-key.der", "-out",
                                       "signer-key.pem"},
              {"x509", "-new", "-subj", "/C=CZ/O=Tesk/CN=Tesk Signer", "-force_pubkey", "signer-key.pem", "-CA",
               "issuer.pem", "-CAkey", "issuer.key", "-set_serial", serial, "-days", "30", "-extfile",
               "signer.cnf", "-extensions", "v3", "-out", "signer.pem"},
              {"x509", "-in", "signer.pem", "-outform", "DER", "-out", "signer.der"}}) {
            const testkit::RunResult r = peer.openssl(step);
            EXPECT_EQ(0, r.exitCode) << r.err;
        }
        m_der = peer.read("signer.der");
        m_certificate = contextOf(m_der);
        CRYPT_KEY_PROV_INFO info{m_container.data(), m_provider.data(), m_type, 0, 0, nullptr, AT_SIGNATURE};
        EXPECT_TRUE(CertSetCertificateContextProperty(m_certificate.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &info));
    }

    PCCERT_CONTEXT certificate() const noexcept { return m_certificate.get(); }
    const Bytes& der() const noexcept { return m_der; }
    const testkit::SoftHsmToken* token() const noexcept { return m_token ? &*m_token : nullptr; }

private:
    // The key pair, made in a context released at once; its public key info.
    Bytes makeKey() {
        std::optional<testkit::PinPrompts> prompts;
        if (m_token) prompts.emplace().answer(m_token->options().pin);
        HCRYPTPROV prov = 0;
        EXPECT_TRUE(CryptAcquireContextW(&prov, m_container.c_str(), m_provider.c_str(), m_type, CRYPT_NEWKEYSET))
            << std::hex << GetLastError();
        HCRYPTKEY key = 0;
        EXPECT_TRUE(CryptGenKey(prov, AT_SIGNATURE, 2048u << 16, &key)) << std::hex << GetLastError();
        CryptDestroyKey(key);
        DWORD size = 0;
        CryptExportPublicKeyInfo(prov, AT_SIGNATURE, X509_ASN_ENCODING, nullptr, &size);
        std::vector<std::max_align_t> block(size / sizeof(std::max_align_t) + 1);
        auto* info = reinterpret_cast<PCERT_PUBLIC_KEY_INFO>(block.data());
        EXPECT_TRUE(CryptExportPublicKeyInfo(prov, AT_SIGNATURE, X509_ASN_ENCODING, info, &size));
        CryptReleaseContext(prov, 0);
        return crypt_test::encode(X509_PUBLIC_KEY_INFO, info);
    }

    std::optional<testkit::SoftHsmToken> m_token;
    std::u16string m_container = u"signer";
    std::u16string m_provider = u"Microsoft Enhanced RSA and AES Cryptographic Provider";
    DWORD m_type = PROV_RSA_AES;
    Bytes m_der;
    Certificate m_certificate;
};

// One attribute with one value, as the system hands them over.
struct Attribute {
    std::string oid;
    Bytes value;
    CRYPT_ATTR_BLOB blob{};
    CRYPT_ATTRIBUTE record{};

    Attribute(std::string o, Bytes v) : oid(std::move(o)), value(std::move(v)) {}
    Attribute(const Attribute& other) : Attribute(other.oid, other.value) {}
    const CRYPT_ATTRIBUTE& get() {
        blob = crypt_test::blobOf(value);
        record = {oid.data(), 1, &blob};
        return record;
    }
};

inline constexpr char kSigningCertificate[] = "1.2.840.113549.1.9.16.2.12";
inline constexpr char kSigningCertificateV2[] = "1.2.840.113549.1.9.16.2.47";
inline constexpr char kSignaturePolicy[] = "1.2.840.113549.1.9.16.2.15";
inline constexpr char kTimeStampToken[] = "1.2.840.113549.1.9.16.2.14";

inline Bytes sequenceOf(std::vector<Bytes> elements) {
    std::vector<CRYPT_DER_BLOB> blobs;
    for (const Bytes& e : elements) blobs.push_back(crypt_test::blobOf(e));
    CRYPT_SEQUENCE_OF_ANY sequence{static_cast<DWORD>(blobs.size()), blobs.data()};
    return crypt_test::encode(X509_SEQUENCE_OF_ANY, &sequence);
}

inline Bytes octetString(const Bytes& bytes) {
    const CRYPT_DATA_BLOB blob = crypt_test::blobOf(bytes);
    return crypt_test::encode(X509_OCTET_STRING, &blob);
}

inline Bytes digestOf(ALG_ID algorithm, const Bytes& data) {
    DWORD size = 64;
    Bytes value(size);
    EXPECT_TRUE(CryptHashCertificate(0, algorithm, 0, data.data(), static_cast<DWORD>(data.size()), value.data(),
                                     &size));
    value.resize(size);
    return value;
}

// signingTime now.
inline Attribute signingTime() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    FILETIME ft;
    SystemTimeToFileTime(&now, &ft);
    return {szOID_RSA_signingTime, crypt_test::encode(szOID_RSA_signingTime, &ft)};
}

// ESS SigningCertificate { SEQUENCE OF ESSCertID { certHash } }.
inline Attribute signingCertificate(PCCERT_CONTEXT c) {
    return {kSigningCertificate, sequenceOf({sequenceOf({sequenceOf({octetString(digestOf(CALG_SHA1, bytesOf(c)))})})})};
}

// SigningCertificateV2 { SEQUENCE OF ESSCertIDv2 { certHash, IssuerSerial } }
// with the default hash algorithm (SHA-256) left out; the issuer is [4] Name.
inline Attribute signingCertificateV2(PCCERT_CONTEXT c) {
    Bytes directoryName = sequenceOf({crypt_test::bytesOf(c->pCertInfo->Issuer)});
    directoryName[0] = 0xA4;
    const Bytes serial = crypt_test::encode(X509_MULTI_BYTE_INTEGER, &c->pCertInfo->SerialNumber);
    const Bytes issuerSerial = sequenceOf({sequenceOf({directoryName}), serial});
    return {kSigningCertificateV2,
            sequenceOf({sequenceOf({sequenceOf({octetString(digestOf(CALG_SHA_256, bytesOf(c))), issuerSerial})})})};
}

// SignaturePolicyId { sigPolicyId, sigPolicyHash { SHA-256, hash } }; the
// OID's DER taken from an attribute of that type without values.
inline Attribute signaturePolicy() {
    std::string oid(pki::kQualifiedPolicy);
    CRYPT_ATTRIBUTE empty{oid.data(), 0, nullptr};
    const Bytes attribute = crypt_test::encode(PKCS_ATTRIBUTE, &empty);
    const Bytes policyOid(attribute.begin() + 2, attribute.begin() + 2 + 2 + attribute[3]);
    CRYPT_ALGORITHM_IDENTIFIER sha256{const_cast<LPSTR>(szOID_NIST_sha256), {}};
    const Bytes algorithm = crypt_test::encode(X509_ALGORITHM_IDENTIFIER, &sha256);
    const Bytes hash = octetString(digestOf(CALG_SHA_256, {'p', 'o', 'l', 'i', 'c', 'y'}));
    return {kSignaturePolicy, sequenceOf({policyOid, sequenceOf({algorithm, hash})})};
}

// The four attributes the system signs with.
inline std::vector<Attribute> systemAttributes(PCCERT_CONTEXT signer) {
    return {signingTime(), signingCertificate(signer), signingCertificateV2(signer), signaturePolicy()};
}

// CryptSignMessage by the two calls; empty with the last error on failure.
inline Bytes signMessage(PCCERT_CONTEXT signer, const Bytes& content, bool detached,
                         std::vector<Attribute> attributes = {}, std::vector<PCCERT_CONTEXT> certificates = {},
                         LPCSTR hashOid = szOID_NIST_sha256) {
    std::vector<CRYPT_ATTRIBUTE> records;
    for (Attribute& a : attributes) records.push_back(a.get());
    CRYPT_SIGN_MESSAGE_PARA para{};
    para.cbSize = sizeof para;
    para.dwMsgEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    para.pSigningCert = signer;
    para.HashAlgorithm.pszObjId = const_cast<LPSTR>(hashOid);
    para.cMsgCert = static_cast<DWORD>(certificates.size());
    para.rgpMsgCert = certificates.data();
    para.cAuthAttr = static_cast<DWORD>(records.size());
    para.rgAuthAttr = records.data();
    const BYTE* blocks[] = {content.data()};
    DWORD sizes[] = {static_cast<DWORD>(content.size())};
    DWORD size = 0;
    if (!CryptSignMessage(&para, detached, 1, blocks, sizes, nullptr, &size)) return {};
    Bytes message(size);
    if (!CryptSignMessage(&para, detached, 1, blocks, sizes, message.data(), &size)) return {};
    message.resize(size);
    return message;
}

}  // namespace simple_msg_test
