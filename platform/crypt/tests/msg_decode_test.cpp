// Signed messages made by openssl cms, decoded in one piece or many, with
// the content attached or fed afterwards, and the parameters the system asks
// for compared with what OpenSSL put in.
#include <algorithm>
#include <cstring>
#include <set>

#include "der/der.h"
#include "msg/splice.h"
#include "msg_fixtures.h"
#include "win32/crypt_provider.h"
#include "win32/crypt_store.h"
#include "win32/memory.h"

using namespace msg_test;
namespace der = platform::crypt::der;

namespace {

struct CertFreer {
    void operator()(PCCERT_CONTEXT c) const noexcept { CertFreeCertificateContext(c); }
};
using Cert = std::unique_ptr<const CERT_CONTEXT, CertFreer>;

Cert certOf(const pki::Credential& credential) {
    const auto& der = credential.certificate.der();
    return Cert(CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
}

Bytes blob(const CRYPTOAPI_BLOB& b) { return Bytes(b.pbData, b.pbData + b.cbData); }

Bytes sha256Of(const Bytes& data) { return openssl({"dgst", "-sha256", "-binary"}, ".", textOf(data)); }

// The message with a [1] CRLs field put in before the signer infos: CRLs
// are not signed, so the signatures stay good.
Bytes withCrl(const Bytes& message, const Bytes& crl) {
    der::Reader contentInfo(der::readOuter(message).content);
    const der::Element type = contentInfo.read(der::kOid);
    der::Reader signedData = contentInfo.enter(der::contextConstructed(0)).enter(der::kSequence);
    Bytes fields;
    while (!signedData.atEnd()) {
        const der::Element field = signedData.read();
        if (signedData.atEnd()) der::append(fields, der::contextConstructed(1), crl);
        der::concat(fields, field.encoded);
    }
    return der::wrap(der::kSequence,
                     {type.encoded, der::encode(der::contextConstructed(0), der::encode(der::kSequence, fields))});
}

std::vector<Bytes> signersOf(HCRYPTMSG msg) {
    std::vector<Bytes> all;
    for (DWORD i = 0; i < dwordParam(msg, CMSG_SIGNER_COUNT_PARAM); ++i) {
        all.push_back(param(msg, CMSG_ENCODED_SIGNER, i));
        all.push_back(param(msg, CMSG_COMPUTED_HASH_PARAM, i));
    }
    return all;
}

}  // namespace

TEST_F(MsgTest, AttachedMessageGivesContentCertificatesAndSigner) {
    const Samples& s = samples();
    const Msg msg = decoded(s.attached);
    EXPECT_EQ(CMSG_SIGNED, dwordParam(msg.get(), CMSG_TYPE_PARAM));
    EXPECT_STREQ(szOID_RSA_data, reinterpret_cast<const char*>(param(msg.get(), CMSG_INNER_CONTENT_TYPE_PARAM).data()));
    EXPECT_EQ(s.content, param(msg.get(), CMSG_CONTENT_PARAM));
    EXPECT_EQ(s.attached, param(msg.get(), CMSG_ENCODED_MESSAGE));
    EXPECT_EQ(sha256Of(s.content), param(msg.get(), CMSG_COMPUTED_HASH_PARAM));
    std::set<Bytes> certificates;
    for (DWORD i = 0; i < dwordParam(msg.get(), CMSG_CERT_COUNT_PARAM); ++i)
        certificates.insert(param(msg.get(), CMSG_CERT_PARAM, i));
    EXPECT_EQ((std::set<Bytes>{s.pki.commercial.certificate.der(), s.pki.standardCa.certificate.der(),
                               s.pki.root.certificate.der()}),
              certificates);

    const Bytes infoBlock = param(msg.get(), CMSG_SIGNER_INFO_PARAM);
    const auto& info = recordIn<CMSG_SIGNER_INFO>(infoBlock);
    const Cert signer = certOf(s.pki.commercial);
    EXPECT_EQ(CMSG_SIGNER_INFO_PKCS_1_5_VERSION, info.dwVersion);
    EXPECT_EQ(blob(signer->pCertInfo->Issuer), blob(info.Issuer));
    EXPECT_EQ(blob(signer->pCertInfo->SerialNumber), blob(info.SerialNumber));
    EXPECT_STREQ(szOID_NIST_sha256, info.HashAlgorithm.pszObjId);
    EXPECT_STREQ(szOID_RSA_RSA, info.HashEncryptionAlgorithm.pszObjId);
    EXPECT_EQ(param(msg.get(), CMSG_ENCRYPTED_DIGEST), blob(info.EncryptedHash));
    EXPECT_EQ(recordIn<CRYPT_ATTRIBUTES>(param(msg.get(), CMSG_SIGNER_AUTH_ATTR_PARAM)).cAttr, info.AuthAttrs.cAttr);
    const auto digest =
        std::find_if(info.AuthAttrs.rgAttr, info.AuthAttrs.rgAttr + info.AuthAttrs.cAttr,
                     [](const CRYPT_ATTRIBUTE& a) { return !std::strcmp(a.pszObjId, szOID_RSA_messageDigest); });
    ASSERT_NE(info.AuthAttrs.rgAttr + info.AuthAttrs.cAttr, digest);
    EXPECT_EQ(sha256Of(s.content), Bytes(digest->rgValue[0].pbData + 2, digest->rgValue[0].pbData + 34));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ATTRIBUTES_MISSING), paramError(msg.get(), CMSG_SIGNER_UNAUTH_ATTR_PARAM));
    EXPECT_STREQ(szOID_NIST_sha256,
                 recordIn<CRYPT_ALGORITHM_IDENTIFIER>(param(msg.get(), CMSG_SIGNER_HASH_ALGORITHM_PARAM)).pszObjId);

    // The signer's identifier finds its certificate in a store opened on the message.
    const Bytes certInfo = param(msg.get(), CMSG_SIGNER_CERT_INFO_PARAM);
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MSG, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, 0, msg.get());
    const Cert found(CertGetSubjectCertificateFromStore(store, X509_ASN_ENCODING,
                                                        const_cast<CERT_INFO*>(&recordIn<CERT_INFO>(certInfo))));
    ASSERT_TRUE(found);
    EXPECT_TRUE(CertCompareCertificate(X509_ASN_ENCODING, found->pCertInfo, signer->pCertInfo));
    CertCloseStore(store, 0);
}

// The signature OpenSSL made over the signed attributes verifies with
// OpenSSL over the bytes the message gives back.
TEST_F(MsgTest, SignedAttributesStayAsReceived) {
    const Samples& s = samples();
    const Msg msg = decoded(s.attached);
    const Bytes signer = param(msg.get(), CMSG_ENCODED_SIGNER);
    der::Reader signerInfo(der::readOuter(signer).content);
    for (int field = 0; field < 3; ++field) signerInfo.read();  // version, sid, digestAlgorithm
    const auto attributes = signerInfo.read(der::contextConstructed(0)).encoded;
    Bytes signedBytes(attributes.begin(), attributes.end());
    signedBytes[0] = der::kSet;  // RFC 5652 5.4: what is signed carries the SET OF tag
    testkit::writeFile(root.path() / "attributes", textOf(signedBytes));
    testkit::writeFile(root.path() / "signature", textOf(param(msg.get(), CMSG_ENCRYPTED_DIGEST)));
    testkit::writeFile(root.path() / "user.pem", s.pki.commercial.certificate.pem());
    testkit::writeFile(root.path() / "key.pem",
                       textOf(openssl({"x509", "-in", "user.pem", "-pubkey", "-noout"}, root.path())));
    openssl({"dgst", "-sha256", "-verify", "key.pem", "-signature", "signature", "attributes"}, root.path());
}

TEST_F(MsgTest, MessageInPiecesDecodesAsInOne) {
    const Bytes& message = samples().twoSigners;
    const Msg whole = decoded(message);
    const Msg bytewise = openMsg();
    for (std::size_t i = 0; i < message.size(); ++i)
        ASSERT_TRUE(CryptMsgUpdate(bytewise.get(), &message[i], 1, i + 1 == message.size()));
    const Msg halves = openMsg();
    const std::size_t half = message.size() / 2;
    EXPECT_EQ(0u, updateError(halves.get(), Bytes(message.begin(), message.begin() + half), false));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_STREAM_MSG_NOT_READY), paramError(halves.get(), CMSG_SIGNER_COUNT_PARAM));
    EXPECT_EQ(0u, updateError(halves.get(), Bytes(message.begin() + half, message.end())));
    EXPECT_EQ(signersOf(whole.get()), signersOf(bytewise.get()));
    EXPECT_EQ(signersOf(whole.get()), signersOf(halves.get()));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_MSG_ERROR), updateError(whole.get(), message));
}

// The signature checks of the first signer by certificate and by index; 0
// when both pass, else the first error.
DWORD verifyError(HCRYPTMSG msg, PCCERT_CONTEXT signer) {
    if (const DWORD error = verifyByCertificate(msg, signer)) return error;
    return verifyByIndex(msg, 0, CMSG_VERIFY_SIGNER_CERT, signer);
}

// BER from openssl cms -stream decodes in one piece or byte by byte, gives
// the segments' octets as its content and verifies; what it reads back as
// is DER that openssl verifies too.
TEST_F(MsgTest, StreamedBerMessagesDecodeAndVerify) {
    const Samples& s = samples();
    const Cert signer = certOf(s.pki.commercial);
    ASSERT_EQ(0x80, s.streamed[1]);  // indefinite length
    const Msg whole = decoded(s.streamed);
    const Msg bytewise = openMsg();
    for (std::size_t i = 0; i < s.streamed.size(); ++i)
        ASSERT_TRUE(CryptMsgUpdate(bytewise.get(), &s.streamed[i], 1, i + 1 == s.streamed.size()));
    for (HCRYPTMSG msg : {whole.get(), bytewise.get()}) {
        EXPECT_EQ(s.streamedContent, param(msg, CMSG_CONTENT_PARAM));
        EXPECT_EQ(sha256Of(s.streamedContent), param(msg, CMSG_COMPUTED_HASH_PARAM));
        EXPECT_EQ(3u, dwordParam(msg, CMSG_CERT_COUNT_PARAM));
        EXPECT_EQ(0u, verifyError(msg, signer.get()));
    }
    EXPECT_EQ(signersOf(whole.get()), signersOf(bytewise.get()));
    const Bytes encoded = param(whole.get(), CMSG_ENCODED_MESSAGE);
    testkit::writeFile(root.path() / "message", textOf(encoded));
    EXPECT_EQ(s.streamedContent,
              openssl({"cms", "-verify", "-noverify", "-binary", "-inform", "DER", "-in", "message"}, root.path()));
    const CRYPT_DATA_BLOB blob{static_cast<DWORD>(s.streamed.size()), const_cast<BYTE*>(s.streamed.data())};
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_PKCS7, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, 0, &blob);
    ASSERT_TRUE(store);
    const Cert carried(CertGetSubjectCertificateFromStore(store, X509_ASN_ENCODING, signer->pCertInfo));
    EXPECT_TRUE(carried);
    CertCloseStore(store, 0);

    Bytes tampered = s.streamed;
    const Bytes line{'l', 'i', 'n', 'e', ' ', '9', '9', '9'};
    *(std::search(tampered.begin(), tampered.end(), line.begin(), line.end()) + 5) = '8';
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_HASH_VALUE), verifyError(decoded(tampered).get(), signer.get()));

    for (const Bytes* content : {&s.streamedContent, &s.content}) {
        const Msg detached = openMsg(CMSG_DETACHED_FLAG);
        ASSERT_EQ(0u, updateError(detached.get(), s.streamedDetached));
        ASSERT_EQ(0u, updateError(detached.get(), *content));
        EXPECT_EQ(content == &s.content ? static_cast<DWORD>(CRYPT_E_HASH_VALUE) : 0u,
                  verifyError(detached.get(), signer.get()));
    }

    // The signed attributes are used as they came: with an indefinite length
    // they are refused, not made DER behind the signature's back.
    const Bytes encodedSigner = param(whole.get(), CMSG_ENCODED_SIGNER);
    der::Reader signerInfo(der::readOuter(encodedSigner).content);
    for (int field = 0; field < 3; ++field) signerInfo.read();  // version, sid, digestAlgorithm
    const der::Element attributes = signerInfo.read(der::contextConstructed(0));
    const auto at = std::search(encoded.begin(), encoded.end(), attributes.encoded.begin(), attributes.encoded.end());
    Bytes indefinite{der::contextConstructed(0), 0x80};
    der::concat(indefinite, attributes.content);
    indefinite.insert(indefinite.end(), {0x00, 0x00});
    const Bytes berAttributes = platform::crypt::msg::replaceNested(
        encoded, der::View(&*at, attributes.encoded.size()), indefinite);
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT), updateError(openMsg().get(), berAttributes));
}

TEST_F(MsgTest, DetachedContentIsHashedAsItComes) {
    const Samples& s = samples();
    const Msg msg = openMsg(CMSG_DETACHED_FLAG);
    ASSERT_EQ(0u, updateError(msg.get(), s.detached));
    EXPECT_EQ(1u, dwordParam(msg.get(), CMSG_SIGNER_COUNT_PARAM));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_STREAM_MSG_NOT_READY), paramError(msg.get(), CMSG_COMPUTED_HASH_PARAM));
    ASSERT_EQ(0u, updateError(msg.get(), Bytes(s.content.begin(), s.content.begin() + 3), false));
    ASSERT_EQ(0u, updateError(msg.get(), Bytes(s.content.begin() + 3, s.content.end())));
    EXPECT_EQ(sha256Of(s.content), param(msg.get(), CMSG_COMPUTED_HASH_PARAM));
    EXPECT_TRUE(param(msg.get(), CMSG_CONTENT_PARAM).empty());
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_MSG_ERROR), updateError(msg.get(), s.content));
}

TEST_F(MsgTest, SignerVariants) {
    const Samples& s = samples();
    const Msg two = decoded(s.twoSigners);
    std::set<Bytes> serials;
    for (DWORD i = 0; i < dwordParam(two.get(), CMSG_SIGNER_COUNT_PARAM); ++i)
        serials.insert(blob(recordIn<CERT_INFO>(param(two.get(), CMSG_SIGNER_CERT_INFO_PARAM, i)).SerialNumber));
    EXPECT_EQ((std::set<Bytes>{blob(certOf(s.pki.commercial)->pCertInfo->SerialNumber),
                               blob(certOf(s.pki.qualified)->pCertInfo->SerialNumber)}),
              serials);
    for (DWORD p : {CMSG_SIGNER_INFO_PARAM, CMSG_SIGNER_AUTH_ATTR_PARAM, CMSG_ENCODED_SIGNER, CMSG_COMPUTED_HASH_PARAM})
        EXPECT_EQ(static_cast<DWORD>(CRYPT_E_INVALID_INDEX), paramError(two.get(), p, 2)) << p;

    const Msg bare = decoded(s.noAttributes);
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ATTRIBUTES_MISSING), paramError(bare.get(), CMSG_SIGNER_AUTH_ATTR_PARAM));
    EXPECT_EQ(0u, recordIn<CMSG_SIGNER_INFO>(param(bare.get(), CMSG_SIGNER_INFO_PARAM)).AuthAttrs.cAttr);

    // A key-identifier signer is named by the one szOID_KEYID_RDN attribute.
    const Msg byKeyId = decoded(s.keyId);
    const Bytes certInfo = param(byKeyId.get(), CMSG_SIGNER_CERT_INFO_PARAM);
    const CERT_NAME_BLOB& issuer = recordIn<CERT_INFO>(certInfo).Issuer;
    void* name = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(CryptDecodeObjectEx(X509_ASN_ENCODING, X509_NAME, issuer.pbData, issuer.cbData, CRYPT_DECODE_ALLOC_FLAG,
                                    nullptr, &name, &size));
    const CERT_RDN_ATTR& attribute = static_cast<const CERT_NAME_INFO*>(name)->rgRDN[0].rgRDNAttr[0];
    EXPECT_STREQ(szOID_KEYID_RDN, attribute.pszObjId);
    Bytes keyId(20);
    size = 20;
    ASSERT_TRUE(CertGetCertificateContextProperty(certOf(s.pki.commercial).get(), CERT_KEY_IDENTIFIER_PROP_ID,
                                                  keyId.data(), &size));
    EXPECT_EQ(keyId, blob(attribute.Value));
    LocalFree(name);
}

TEST_F(MsgTest, CrlsTravelWithTheMessage) {
    const Samples& s = samples();
    const Bytes crl = pki::CrlBuilder(s.pki.standardCa).revoke({0x12, 0x34}).build().der();
    const Bytes message = withCrl(s.attached, crl);
    testkit::writeFile(root.path() / "message", textOf(message));
    EXPECT_EQ(s.content,
              openssl({"cms", "-verify", "-noverify", "-binary", "-inform", "DER", "-in", "message"}, root.path()));
    const Msg msg = decoded(message);
    ASSERT_EQ(1u, dwordParam(msg.get(), CMSG_CRL_COUNT_PARAM));
    EXPECT_EQ(crl, param(msg.get(), CMSG_CRL_PARAM));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_INVALID_INDEX), paramError(msg.get(), CMSG_CRL_PARAM, 1));
}

TEST_F(MsgTest, ProviderWithoutTheDigestRefusesTheMessage) {
    HCRYPTPROV strong = 0;  // SHA-1 only, as on XP
    ASSERT_TRUE(CryptAcquireContextA(&strong, nullptr, MS_STRONG_PROV_A, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
    EXPECT_EQ(static_cast<DWORD>(NTE_BAD_ALGID), updateError(openMsg(0, 0, strong).get(), samples().attached));
    const Msg sha1 = openMsg(0, 0, strong);
    EXPECT_EQ(0u, updateError(sha1.get(), samples().noAttributes));
    ASSERT_TRUE(CryptReleaseContext(strong, 0));  // the hashes keep it
    EXPECT_EQ(20u, param(sha1.get(), CMSG_COMPUTED_HASH_PARAM).size());
}

TEST_F(MsgTest, TypesAreCheckedAtOpenAndDecode) {
    const Samples& s = samples();
    const Msg data = decoded(s.data);
    EXPECT_EQ(CMSG_DATA, dwordParam(data.get(), CMSG_TYPE_PARAM));
    EXPECT_EQ(s.content, param(data.get(), CMSG_CONTENT_PARAM));
    for (DWORD p :
         {CMSG_SIGNER_COUNT_PARAM, CMSG_INNER_CONTENT_TYPE_PARAM, CMSG_CERT_COUNT_PARAM, CMSG_SIGNER_INFO_PARAM})
        EXPECT_EQ(static_cast<DWORD>(CRYPT_E_INVALID_MSG_TYPE), paramError(data.get(), p)) << p;
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_UNEXPECTED_MSG_TYPE), updateError(openMsg(0, CMSG_SIGNED).get(), s.data));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_UNEXPECTED_MSG_TYPE), updateError(openMsg(0, CMSG_DATA).get(), s.attached));

    EXPECT_FALSE(openMsg(0, CMSG_ENVELOPED));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_INVALID_MSG_TYPE), GetLastError());
    EXPECT_FALSE(CryptMsgOpenToDecode(X509_ASN_ENCODING, 0, 0, 0, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());
}

TEST_F(MsgTest, HandlesCountReferencesAndBuffersTheirSize) {
    HCRYPTMSG msg = decoded(samples().attached).release();
    DWORD size = 0;
    ASSERT_TRUE(CryptMsgGetParam(msg, CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size));
    Bytes block(size);
    DWORD shortSize = size - 1;
    EXPECT_FALSE(CryptMsgGetParam(msg, CMSG_SIGNER_INFO_PARAM, 0, block.data(), &shortSize));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
    EXPECT_EQ(size, shortSize);

    EXPECT_EQ(msg, CryptMsgDuplicate(msg));
    EXPECT_TRUE(CryptMsgClose(msg));
    EXPECT_EQ(1u, dwordParam(msg, CMSG_SIGNER_COUNT_PARAM));  // one reference left
    EXPECT_TRUE(CryptMsgClose(msg));
    EXPECT_FALSE(CryptMsgClose(msg));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), paramError(msg, CMSG_TYPE_PARAM));
    EXPECT_TRUE(CryptMsgClose(nullptr));
}
