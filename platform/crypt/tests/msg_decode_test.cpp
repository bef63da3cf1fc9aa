// Signed messages made by openssl cms, decoded in one piece or many, with
// the content attached or fed afterwards, and every parameter the system
// asks for compared with what OpenSSL put in.
#include <cstring>
#include <set>

#include "der/der.h"
#include "msg_fixtures.h"
#include "win32/crypt_provider.h"
#include "win32/crypt_store.h"
#include "win32/memory.h"

using namespace msg_test;

namespace {

struct CertFreer {
    void operator()(PCCERT_CONTEXT c) const noexcept { CertFreeCertificateContext(c); }
};
using Cert = std::unique_ptr<const CERT_CONTEXT, CertFreer>;

Cert certOf(const pki::Credential& credential) {
    const auto& der = credential.certificate.der();
    return Cert(CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.data(),
                                             static_cast<DWORD>(der.size())));
}

namespace der = platform::crypt::der;

// The message with a [1] CRLs field put in before the signer infos: CRLs
// are not signed, so the signatures stay good.
Bytes withCrl(const Bytes& message, const Bytes& crl) {
    der::Reader contentInfo(der::readOuter(message).content);
    const der::Element type = contentInfo.read(der::kOid);
    der::Reader content = contentInfo.enter(der::contextConstructed(0));
    der::Reader signedData = content.enter(der::kSequence);
    Bytes fields;
    while (!signedData.atEnd()) {
        const der::Element field = signedData.read();
        if (field.tag == der::kSet && signedData.atEnd()) der::append(fields, der::contextConstructed(1), crl);
        der::concat(fields, field.encoded);
    }
    const Bytes inner = der::encode(der::kSequence, fields);
    return der::wrap(der::kSequence, {type.encoded, der::encode(der::contextConstructed(0), inner)});
}

Bytes blob(const CRYPTOAPI_BLOB& b) { return Bytes(b.pbData, b.pbData + b.cbData); }

const CRYPT_ATTRIBUTE* attributeIn(const CRYPT_ATTRIBUTES& list, const char* oid) {
    for (DWORD i = 0; i < list.cAttr; ++i)
        if (std::strcmp(list.rgAttr[i].pszObjId, oid) == 0) return &list.rgAttr[i];
    return nullptr;
}

// The parameters that describe the message, for comparing two decodings.
std::vector<Bytes> everything(HCRYPTMSG msg) {
    std::vector<Bytes> all{param(msg, CMSG_ENCODED_MESSAGE), param(msg, CMSG_CONTENT_PARAM),
                           param(msg, CMSG_INNER_CONTENT_TYPE_PARAM)};
    const DWORD signers = dwordParam(msg, CMSG_SIGNER_COUNT_PARAM);
    for (DWORD i = 0; i < signers; ++i)
        for (DWORD p : {CMSG_ENCODED_SIGNER, CMSG_ENCRYPTED_DIGEST, CMSG_COMPUTED_HASH_PARAM})
            all.push_back(param(msg, p, i));
    for (DWORD i = 0; i < dwordParam(msg, CMSG_CERT_COUNT_PARAM); ++i) all.push_back(param(msg, CMSG_CERT_PARAM, i));
    return all;
}

}  // namespace

TEST_F(MsgTest, AttachedMessageGivesItsContentCertificatesAndSigner) {
    const Samples& s = samples();
    const Msg msg = decoded(s.attached);
    EXPECT_EQ(CMSG_SIGNED, dwordParam(msg.get(), CMSG_TYPE_PARAM));
    EXPECT_EQ(std::string(szOID_RSA_data), textOf(param(msg.get(), CMSG_INNER_CONTENT_TYPE_PARAM)).c_str());
    EXPECT_EQ(s.content, param(msg.get(), CMSG_CONTENT_PARAM));
    EXPECT_EQ(s.attached, param(msg.get(), CMSG_ENCODED_MESSAGE));
    EXPECT_EQ(1u, dwordParam(msg.get(), CMSG_SIGNER_COUNT_PARAM));
    EXPECT_EQ(0u, dwordParam(msg.get(), CMSG_CRL_COUNT_PARAM));

    // OpenSSL puts in the signer's certificate and the extra ones, in some order.
    ASSERT_EQ(3u, dwordParam(msg.get(), CMSG_CERT_COUNT_PARAM));
    std::set<Bytes> certificates;
    for (DWORD i = 0; i < 3; ++i) certificates.insert(param(msg.get(), CMSG_CERT_PARAM, i));
    EXPECT_EQ((std::set<Bytes>{s.pki.commercial.certificate.der(), s.pki.standardCa.certificate.der(),
                               s.pki.root.certificate.der()}),
              certificates);
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_INVALID_INDEX), paramError(msg.get(), CMSG_CERT_PARAM, 3));
}

TEST_F(MsgTest, CrlsTravelWithTheMessage) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const Samples& s = samples();
    const Bytes crl = pki::CrlBuilder(s.pki.standardCa).revoke({0x12, 0x34}).build().der();
    const Bytes message = withCrl(s.attached, crl);
    testkit::writeFile(root.path() / "message", textOf(message));
    const auto verified = testkit::run(
        {"openssl", "cms", "-verify", "-noverify", "-binary", "-inform", "DER", "-in", "message"}, root.path());
    ASSERT_EQ(0, verified.exitCode) << verified.err;
    ASSERT_EQ(textOf(s.content), verified.out);

    const Msg msg = decoded(message);
    ASSERT_EQ(1u, dwordParam(msg.get(), CMSG_CRL_COUNT_PARAM));
    EXPECT_EQ(crl, param(msg.get(), CMSG_CRL_PARAM));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_INVALID_INDEX), paramError(msg.get(), CMSG_CRL_PARAM, 1));
    EXPECT_EQ(3u, dwordParam(msg.get(), CMSG_CERT_COUNT_PARAM));
}

TEST_F(MsgTest, SignerRecordsNameTheCertificateAndCarryTheAttributes) {
    const Samples& s = samples();
    const Msg msg = decoded(s.attached);
    const Cert signer = certOf(s.pki.commercial);

    const Bytes infoBlock = param(msg.get(), CMSG_SIGNER_INFO_PARAM);
    const auto& info = recordIn<CMSG_SIGNER_INFO>(infoBlock);
    EXPECT_EQ(CMSG_SIGNER_INFO_PKCS_1_5_VERSION, info.dwVersion);
    EXPECT_EQ(blob(signer->pCertInfo->Issuer), blob(info.Issuer));
    EXPECT_EQ(blob(signer->pCertInfo->SerialNumber), blob(info.SerialNumber));
    EXPECT_STREQ(szOID_NIST_sha256, info.HashAlgorithm.pszObjId);
    EXPECT_STREQ(szOID_RSA_RSA, info.HashEncryptionAlgorithm.pszObjId);
    EXPECT_EQ(param(msg.get(), CMSG_ENCRYPTED_DIGEST), blob(info.EncryptedHash));
    EXPECT_EQ(0u, info.UnauthAttrs.cAttr);

    // messageDigest holds the SHA-256 of the content, which is also the computed hash.
    const CRYPT_ATTRIBUTE* digest = attributeIn(info.AuthAttrs, szOID_RSA_messageDigest);
    ASSERT_TRUE(digest);
    ASSERT_EQ(1u, digest->cValue);
    Bytes expected{0x04, 0x20};
    const Bytes sha256 = sha256Of(s.content);
    expected.insert(expected.end(), sha256.begin(), sha256.end());
    EXPECT_EQ(expected, blob(digest->rgValue[0]));
    EXPECT_EQ(sha256, param(msg.get(), CMSG_COMPUTED_HASH_PARAM));
    EXPECT_TRUE(attributeIn(info.AuthAttrs, szOID_RSA_signingTime));

    const Bytes attributes = param(msg.get(), CMSG_SIGNER_AUTH_ATTR_PARAM);
    EXPECT_EQ(info.AuthAttrs.cAttr, recordIn<CRYPT_ATTRIBUTES>(attributes).cAttr);
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ATTRIBUTES_MISSING), paramError(msg.get(), CMSG_SIGNER_UNAUTH_ATTR_PARAM));

    const Bytes algorithm = param(msg.get(), CMSG_SIGNER_HASH_ALGORITHM_PARAM);
    EXPECT_STREQ(szOID_NIST_sha256, recordIn<CRYPT_ALGORITHM_IDENTIFIER>(algorithm).pszObjId);

    // The identifier finds the certificate in a store opened on the message.
    const Bytes certInfoBlock = param(msg.get(), CMSG_SIGNER_CERT_INFO_PARAM);
    const auto& certInfo = recordIn<CERT_INFO>(certInfoBlock);
    EXPECT_EQ(blob(info.Issuer), blob(certInfo.Issuer));
    EXPECT_EQ(blob(info.SerialNumber), blob(certInfo.SerialNumber));
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MSG, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, 0, msg.get());
    ASSERT_TRUE(store) << std::hex << GetLastError();
    const Cert found(CertGetSubjectCertificateFromStore(store, X509_ASN_ENCODING, const_cast<CERT_INFO*>(&certInfo)));
    ASSERT_TRUE(found);
    EXPECT_EQ(s.pki.commercial.certificate.der(), Bytes(found->pbCertEncoded, found->pbCertEncoded + found->cbCertEncoded));
    CertCloseStore(store, 0);
}

// The signed attributes are kept byte for byte: the signature OpenSSL made
// over them verifies with OpenSSL over the bytes the message gives back.
TEST_F(MsgTest, SignedAttributesStayAsReceived) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const Samples& s = samples();
    const Msg msg = decoded(s.attached);
    const Bytes signer = param(msg.get(), CMSG_ENCODED_SIGNER);
    ASSERT_NE(s.attached.end(), std::search(s.attached.begin(), s.attached.end(), signer.begin(), signer.end()));

    // SignerInfo { version, sid, digestAlgorithm, [0] signedAttrs, ... }
    platform::crypt::der::Reader fields(platform::crypt::der::readOuter(signer).content);
    for (int i = 0; i < 3; ++i) fields.read();
    const auto attributesElement = fields.read(platform::crypt::der::contextConstructed(0)).encoded;
    Bytes signedAttributes(attributesElement.begin(), attributesElement.end());
    signedAttributes[0] = 0x31;  // RFC 5652 5.4: the SET OF tag is what is signed

    const auto folder = root.path();
    testkit::writeFile(folder / "attributes", textOf(signedAttributes));
    testkit::writeFile(folder / "signature", textOf(param(msg.get(), CMSG_ENCRYPTED_DIGEST)));
    testkit::writeFile(folder / "user.pem", s.pki.commercial.certificate.pem());
    testkit::writeFile(folder / "key.pem", textOf(openssl({"x509", "-in", "user.pem", "-pubkey", "-noout"}, folder)));
    const auto verified = testkit::run({"openssl", "dgst", "-sha256", "-verify", "key.pem", "-signature", "signature",
                                        "attributes"},
                                       folder);
    EXPECT_EQ(0, verified.exitCode) << verified.out << verified.err;
}

TEST_F(MsgTest, MessageInPiecesDecodesAsInOne) {
    const Samples& s = samples();
    const Msg whole = decoded(s.twoSigners);
    const Msg bytewise = openMsg();
    for (std::size_t i = 0; i < s.twoSigners.size(); ++i)
        ASSERT_TRUE(CryptMsgUpdate(bytewise.get(), &s.twoSigners[i], 1, i + 1 == s.twoSigners.size()));
    const Msg inThree = openMsg();
    const std::size_t third = s.twoSigners.size() / 3;
    EXPECT_TRUE(CryptMsgUpdate(inThree.get(), s.twoSigners.data(), static_cast<DWORD>(third), FALSE));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_STREAM_MSG_NOT_READY), paramError(inThree.get(), CMSG_SIGNER_COUNT_PARAM));
    EXPECT_TRUE(CryptMsgUpdate(inThree.get(), s.twoSigners.data() + third, static_cast<DWORD>(third), FALSE));
    EXPECT_TRUE(CryptMsgUpdate(inThree.get(), s.twoSigners.data() + 2 * third,
                               static_cast<DWORD>(s.twoSigners.size() - 2 * third), TRUE));
    EXPECT_EQ(everything(whole.get()), everything(bytewise.get()));
    EXPECT_EQ(everything(whole.get()), everything(inThree.get()));

    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_MSG_ERROR), updateError(whole.get(), s.twoSigners));
}

TEST_F(MsgTest, DetachedContentIsHashedAsItComes) {
    const Samples& s = samples();
    const Msg msg = openMsg(CMSG_DETACHED_FLAG);
    ASSERT_EQ(0u, updateError(msg.get(), s.detached));
    EXPECT_EQ(1u, dwordParam(msg.get(), CMSG_SIGNER_COUNT_PARAM));
    EXPECT_TRUE(param(msg.get(), CMSG_CONTENT_PARAM).empty());
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_STREAM_MSG_NOT_READY), paramError(msg.get(), CMSG_COMPUTED_HASH_PARAM));

    const Bytes first(s.content.begin(), s.content.begin() + 3), rest(s.content.begin() + 3, s.content.end());
    ASSERT_EQ(0u, updateError(msg.get(), first, false));
    ASSERT_EQ(0u, updateError(msg.get(), rest, true));
    EXPECT_EQ(sha256Of(s.content), param(msg.get(), CMSG_COMPUTED_HASH_PARAM));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_MSG_ERROR), updateError(msg.get(), rest, true));

    // Without the flag the same message decodes with empty content.
    const Msg plain = decoded(s.detached);
    EXPECT_TRUE(param(plain.get(), CMSG_CONTENT_PARAM).empty());
    EXPECT_EQ(sha256Of({}), param(plain.get(), CMSG_COMPUTED_HASH_PARAM));
}

TEST_F(MsgTest, EachSignerOfTwoIsItsOwn) {
    const Samples& s = samples();
    const Msg msg = decoded(s.twoSigners);
    ASSERT_EQ(2u, dwordParam(msg.get(), CMSG_SIGNER_COUNT_PARAM));
    std::set<Bytes> serials;
    for (DWORD i = 0; i < 2; ++i) {
        const Bytes certInfo = param(msg.get(), CMSG_SIGNER_CERT_INFO_PARAM, i);
        serials.insert(blob(recordIn<CERT_INFO>(certInfo).SerialNumber));
    }
    EXPECT_EQ((std::set<Bytes>{blob(certOf(s.pki.commercial)->pCertInfo->SerialNumber),
                               blob(certOf(s.pki.qualified)->pCertInfo->SerialNumber)}),
              serials);
    for (DWORD p : {CMSG_SIGNER_INFO_PARAM, CMSG_SIGNER_CERT_INFO_PARAM, CMSG_SIGNER_AUTH_ATTR_PARAM,
                    CMSG_ENCRYPTED_DIGEST, CMSG_ENCODED_SIGNER, CMSG_COMPUTED_HASH_PARAM})
        EXPECT_EQ(static_cast<DWORD>(CRYPT_E_INVALID_INDEX), paramError(msg.get(), p, 2)) << p;
}

TEST_F(MsgTest, SignerWithoutAttributesHasNone) {
    const Msg msg = decoded(samples().noAttributes);
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ATTRIBUTES_MISSING), paramError(msg.get(), CMSG_SIGNER_AUTH_ATTR_PARAM));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ATTRIBUTES_MISSING), paramError(msg.get(), CMSG_SIGNER_UNAUTH_ATTR_PARAM));
    const Bytes info = param(msg.get(), CMSG_SIGNER_INFO_PARAM);
    EXPECT_EQ(0u, recordIn<CMSG_SIGNER_INFO>(info).AuthAttrs.cAttr);
}

TEST_F(MsgTest, KeyIdentifierSignerIsNamedByTheKeyIdRdn) {
    const Samples& s = samples();
    const Msg msg = decoded(s.keyId);
    const Bytes block = param(msg.get(), CMSG_SIGNER_CERT_INFO_PARAM);
    const auto& info = recordIn<CERT_INFO>(block);
    EXPECT_EQ(0u, info.SerialNumber.cbData);

    void* decodedName = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(CryptDecodeObjectEx(X509_ASN_ENCODING, X509_NAME, info.Issuer.pbData, info.Issuer.cbData,
                                    CRYPT_DECODE_ALLOC_FLAG, nullptr, &decodedName, &size));
    const auto* name = static_cast<const CERT_NAME_INFO*>(decodedName);
    ASSERT_EQ(1u, name->cRDN);
    ASSERT_EQ(1u, name->rgRDN[0].cRDNAttr);
    const CERT_RDN_ATTR& attribute = name->rgRDN[0].rgRDNAttr[0];
    EXPECT_STREQ(szOID_KEYID_RDN, attribute.pszObjId);
    DWORD idSize = 0;
    const Cert signer = certOf(s.pki.commercial);
    ASSERT_TRUE(CertGetCertificateContextProperty(signer.get(), CERT_KEY_IDENTIFIER_PROP_ID, nullptr, &idSize));
    Bytes keyId(idSize);
    ASSERT_TRUE(CertGetCertificateContextProperty(signer.get(), CERT_KEY_IDENTIFIER_PROP_ID, keyId.data(), &idSize));
    EXPECT_EQ(keyId, blob(attribute.Value));
    LocalFree(decodedName);
}

TEST_F(MsgTest, ProviderWithoutTheDigestRefusesTheMessage) {
    const Samples& s = samples();
    HCRYPTPROV strong = 0;  // SHA-1 only, as on XP
    ASSERT_TRUE(CryptAcquireContextA(&strong, nullptr, MS_STRONG_PROV_A, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
    const Msg sha256 = openMsg(0, 0, strong);
    EXPECT_EQ(static_cast<DWORD>(NTE_BAD_ALGID), updateError(sha256.get(), s.attached));
    const Msg sha1 = openMsg(0, 0, strong);
    EXPECT_EQ(0u, updateError(sha1.get(), s.sha1));
    // The hashes keep the provider they were made with.
    ASSERT_TRUE(CryptReleaseContext(strong, 0));
    EXPECT_EQ(20u, param(sha1.get(), CMSG_COMPUTED_HASH_PARAM).size());

    HCRYPTPROV aes = 0;
    ASSERT_TRUE(CryptAcquireContextA(&aes, nullptr, MS_ENH_RSA_AES_PROV_A, PROV_RSA_AES, CRYPT_VERIFYCONTEXT));
    const Msg withAes = openMsg(CMSG_DETACHED_FLAG, 0, aes);
    EXPECT_EQ(0u, updateError(withAes.get(), s.detached));
    CryptReleaseContext(aes, 0);
}

TEST_F(MsgTest, DataMessageHasContentButNoSigners) {
    const Samples& s = samples();
    const Msg msg = decoded(s.data);
    EXPECT_EQ(CMSG_DATA, dwordParam(msg.get(), CMSG_TYPE_PARAM));
    EXPECT_EQ(s.content, param(msg.get(), CMSG_CONTENT_PARAM));
    for (DWORD p : {CMSG_SIGNER_COUNT_PARAM, CMSG_INNER_CONTENT_TYPE_PARAM, CMSG_CERT_COUNT_PARAM,
                    CMSG_SIGNER_INFO_PARAM, CMSG_COMPUTED_HASH_PARAM})
        EXPECT_EQ(static_cast<DWORD>(CRYPT_E_INVALID_MSG_TYPE), paramError(msg.get(), p)) << p;

    // A type asked for at the open must be the message's.
    const Msg signedOnly = openMsg(0, CMSG_SIGNED);
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_UNEXPECTED_MSG_TYPE), updateError(signedOnly.get(), s.data));
    const Msg dataOnly = openMsg(0, CMSG_DATA);
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_UNEXPECTED_MSG_TYPE), updateError(dataOnly.get(), s.attached));
}

TEST_F(MsgTest, OpenRefusesWhatIsNotDecodedHere) {
    const DWORD encoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    EXPECT_FALSE(CryptMsgOpenToDecode(encoding, 0, CMSG_ENVELOPED, 0, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_INVALID_MSG_TYPE), GetLastError());
    EXPECT_FALSE(CryptMsgOpenToDecode(X509_ASN_ENCODING, 0, 0, 0, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());
    DWORD notAStream = 0;
    EXPECT_FALSE(CryptMsgOpenToDecode(encoding, 0, 0, 0, nullptr, reinterpret_cast<PCMSG_STREAM_INFO>(&notAStream)));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());
    // BER with indefinite lengths (openssl -stream) is refused by the DER reader.
    const Msg streamed = openMsg();
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT), updateError(streamed.get(), samples().streamed));
}

TEST_F(MsgTest, HandlesCountTheirReferences) {
    HCRYPTMSG msg = openMsg().release();
    ASSERT_EQ(0u, updateError(msg, samples().attached));
    EXPECT_EQ(msg, CryptMsgDuplicate(msg));
    EXPECT_TRUE(CryptMsgClose(msg));
    EXPECT_EQ(1u, dwordParam(msg, CMSG_SIGNER_COUNT_PARAM));  // one reference left
    EXPECT_TRUE(CryptMsgClose(msg));
    EXPECT_FALSE(CryptMsgClose(msg));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), paramError(msg, CMSG_TYPE_PARAM));
    EXPECT_FALSE(CryptMsgDuplicate(msg));
    EXPECT_TRUE(CryptMsgClose(nullptr));
}

TEST_F(MsgTest, ShortBufferGetsTheSize) {
    const Msg msg = decoded(samples().attached);
    DWORD size = 0;
    ASSERT_TRUE(CryptMsgGetParam(msg.get(), CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size));
    Bytes block(size);
    DWORD shortSize = size - 1;
    EXPECT_FALSE(CryptMsgGetParam(msg.get(), CMSG_SIGNER_INFO_PARAM, 0, block.data(), &shortSize));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
    EXPECT_EQ(size, shortSize);
    EXPECT_TRUE(CryptMsgGetParam(msg.get(), CMSG_SIGNER_INFO_PARAM, 0, block.data(), &size));
}
