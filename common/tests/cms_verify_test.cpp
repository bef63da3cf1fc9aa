// Verification of signed messages made by `openssl cms` and by ours: good and damaged
// messages, RSA with either padding and ECDSA, the signer's chain faults, the signature check's own failures,
// several signers, the signing-certificate attribute, where signers'
// certificates come from, the trusted list, and the hash comparison.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ostream>

#include "certificate_support.h"
#include "cms_verify_support.h"
#include "common/chain_check.h"
#include "common/cms_verify.h"
#include "common/cryptoapi.h"
#include "common/pem.h"
#include "common/pkcs7.h"
#include "common/strings.h"
#include "common/trusted_store.h"
#include "common/untrusted_root.h"
#include "pkcs7_fixtures.h"
#include "testkit/streamed_message.h"
#include "win32/crypt_provider.h"

using namespace verify_support;
using certificate_support::infoOf;
using certificate_support::userIssuedBy;

namespace {

struct VerifyCertificates {
    pki::Hierarchy pki = pki::Hierarchy::make();
    // A CA certificate without basic constraints, issued by the trusted root.
    pki::Credential caWithoutRights = pki::CertificateBuilder()
                                          .subject(pki::Name{{"CN", "Tesk Unauthorised CA"}})
                                          .issuedBy(pki.root)
                                          .keyUsage(pki::kKeyCertSign | pki::kCrlSign)
                                          .build();
    pki::Credential belowCaWithoutRights =
        userIssuedBy(caWithoutRights, "Tesk Unauthorised User")
            .validity(pki::fromNow(-std::chrono::hours(1)), pki::fromNow(std::chrono::hours(24 * 30)))
            .build();
    // Issued by a CA that no store and no message holds.
    pki::Credential orphan = userIssuedBy(certificate_support::authority("Tesk Lost CA"), "Tesk Orphan").build();
};

const VerifyCertificates& verifyCerts() {
    static const VerifyCertificates made;
    return made;
}

// The bytes with the one at offset into the first occurrence of part
// changed (by default, one bit of the middle one flipped).
Bytes patched(Bytes bytes, const Bytes& part, std::size_t offset = SIZE_MAX, int value = -1) {
    const auto at = std::search(bytes.begin(), bytes.end(), part.begin(), part.end());
    EXPECT_NE(bytes.end(), at);
    if (offset == SIZE_MAX) offset = part.size() / 2;
    BYTE& byte = at[static_cast<std::ptrdiff_t>(offset)];
    byte = value < 0 ? byte ^ 0x01 : static_cast<BYTE>(value);
    return bytes;
}

struct Signer {
    Bytes signature;
    std::string serial;
};
Signer signerOf(const Bytes& message, DWORD n) {
    TPkcs7 reader;
    Signer signer;
    CertInfo certificate;
    EXPECT_EQ(0u, reader.Open(message));
    EXPECT_EQ(0u, reader.GetSignerSignature(n, signer.signature));
    EXPECT_EQ(0u, reader.GetSignerCertificate(n, certificate, nullptr));
    signer.serial = certificate.serialHex;
    return signer;
}

class VerifyMessageTest : public VerifyTest {
protected:
    VerifyMessageTest() : VerifyTest(verifyCerts().pki) {}
    DWORD verify(const Bytes& message, DWORD flags, const Bytes* detachedContent = nullptr,
                 const FILETIME* time = nullptr, HCERTSTORE extra = nullptr) {
        return api.VerifyMessage(extra, message, detachedContent, flags, nullptr, nullptr, time);
    }

    const pki::Hierarchy& pki = verifyCerts().pki;
    TCryptoapi api;
};

// The texts callers show for the numbers a verification gives.
TEST(VerificationNumbers, ReadAsTheirTexts) {
    const std::vector<std::pair<DWORD, std::string>> texts{
        {0, "Completed successfully."},
        {32, "ASN.1 decoding error."},
        {53, "The HASH value is not correct."},
        {1000, "Signature verification error."},
        {1001, "Certificate chain verification error."},
        {1002, "This certificate or one of the certificates in the certificate chain is not time valid."},
        {1003, "Certificates in the chain are not properly time nested."},
        {1004, "Trust for this certificate or one of the certificates in the certificate chain has been revoked."},
        {1005, "This certificate or one of the certificates in the certificate chain does not have a valid signature."},
        {1006, "This certificate or certificate chain is not valid for its proposed usage."},
        {1007, "This certificate or certificate chain is based on an untrusted root."},
        {1008,
         "The revocation status of the certificate or one of the certificates in the certificate chain is unknown."},
        {1009,
         "One of the certificates in the chain was issued by a certification authority that the original "
         "certificate had certified."},
        {1010, "The certificate chain is not complete."},
        {1011, "A CTL used to create this chain was not time valid."},
        {1012, "A CTL used to create this chain did not have a valid signature."},
        {1013, "A CTL used to create this chain is not valid for this usage."},
        {1014, "Bad signature from verify signature function."},
        {1023, "Cannot find the original signer."},
        {1024, "Algorithm not supported."},
        {1025, "Corresponding authenticated attribute does not match the signing certificate."},
        {3032, "Certificate not trusted for all intended purposes."}};
    for (const auto& [number, text] : texts) EXPECT_EQ(text, englishText(number)) << number;
}

TEST_F(VerifyMessageTest, GoodMessagesGiveTheirContentAndSigners) {
    const DWORD everyCheck = kCheckTimeValid | kCheckChain | kCheckSigningCert;
    Bytes out;
    std::vector<CertInfo> signers;
    EXPECT_EQ(0u, api.VerifyMessage(nullptr, sign(pki.commercial), nullptr, everyCheck, &out, &signers, nullptr));
    EXPECT_EQ(content, out);
    ASSERT_EQ(1u, signers.size());
    EXPECT_EQ(infoOf(pki.commercial.certificate).serialHex, signers[0].serialHex);
    EXPECT_EQ(std::vector<DWORD>{0}, api.GetSignerResults());
    EXPECT_EQ(0u, verify(sign(pki.commercial, {.detached = true}), everyCheck, &content));
    EXPECT_EQ(0u, verify(sign(pki.qualified, {.extra = {"-cades"}}), everyCheck));
    EXPECT_EQ(0u, verify(sign(pki.commercial, {.extra = {"-noattr"}}), everyCheck));
}

// Streaming signers write BER (indefinite lengths, the content in
// segments); such messages open, tell their signer and verify as DER ones do.
TEST_F(VerifyMessageTest, StreamedMessagesReadAndVerify) {
    const DWORD everyCheck = kCheckTimeValid | kCheckChain | kCheckSigningCert;
    const Bytes attached = sign(pki.commercial, {.extra = {"-stream"}});
    const Bytes detached = testkit::withoutStreamedContent(attached);
    ASSERT_EQ(0x80, attached[1]);  // indefinite length
    TPkcs7 reader;
    for (const Bytes* message : {&attached, &detached}) {
        ASSERT_EQ(0u, reader.Open(*message, 0, message == &detached, content));
        CertInfo signer;
        EXPECT_EQ(0u, reader.GetSignerCertificate(0, signer, nullptr));
        EXPECT_EQ(infoOf(pki.commercial.certificate).serialHex, signer.serialHex);
        FILETIME signedAt{};
        EXPECT_EQ(0u, reader.GetSignerSigningTime(0, signedAt));
        EXPECT_NE(0u, signedAt.dwHighDateTime);
        std::string digest;
        EXPECT_EQ(0u, reader.GetSignerHashAlgOid(0, digest));
        EXPECT_EQ("2.16.840.1.101.3.4.2.1", digest);
    }
    Bytes out;
    EXPECT_EQ(0u, api.VerifyMessage(nullptr, attached, nullptr, everyCheck, &out, nullptr, nullptr));
    EXPECT_EQ(content, out);
    EXPECT_EQ(0u, verify(detached, everyCheck, &content));
    const Bytes other = bytesOf("other payload");
    EXPECT_EQ(53u, verify(detached, 0, &other));
}

// Messages of either maker, so that ours are judged as openssl's are.
class VerifyEitherMakerTest : public VerifyMessageTest, public ::testing::WithParamInterface<Maker> {
protected:
    Bytes make(const pki::Credential& signer, const SignOptions& options = {}) const {
        return sign(signer, options, GetParam());
    }
};

// Each fault gives its number; chain faults count only under the chain
// flag.
TEST_P(VerifyEitherMakerTest, EachFaultGivesItsNumber) {
    const Bytes attached = make(pki.commercial);
    const Bytes other = bytesOf("other payload");
    const FILETIME beforeValidity = certificate_support::fileTimeOf(pki::fromNow(std::chrono::hours(-48)));
    struct Case {
        Bytes message;
        DWORD flags;
        const Bytes* detachedContent;
        DWORD number;
        const FILETIME* time = nullptr;
    };
    const std::vector<Case> cases{
        {patched(attached, content), 0, nullptr, 53},
        {make(pki.commercial, {.detached = true}), 0, &other, 53},
        {make(pki.commercial, {.detached = true, .extra = {"-noattr"}}), 0, &other, 1014},
        {patched(attached, signerOf(attached, 0).signature), 0, nullptr, 1014},
        {make(pki.expired), kCheckChain, nullptr, 1002},
        {make(pki.notYetValid), kCheckChain, nullptr, 1002},
        {make(pki.expired), kCheckTimeValid, nullptr, 1002},
        {attached, kCheckChain, nullptr, 1002, &beforeValidity},
        {make(pki.notNested), kCheckChain, nullptr, 1003},
        {make(pki.untrusted, {.certificates = {pki.untrustedRoot.certificate}}), kCheckChain, nullptr, 1007},
        {make(verifyCerts().belowCaWithoutRights, {.certificates = {verifyCerts().caWithoutRights.certificate}}),
         kCheckChain, nullptr, 1001},
        {make(verifyCerts().orphan), kCheckChain, nullptr, 1010},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(c.number, verify(c.message, c.flags, c.detachedContent, c.time)) << "case " << i;
        EXPECT_EQ(std::vector{c.number}, api.GetSignerResults()) << "case " << i;
        if (c.flags) {
            EXPECT_EQ(0u, verify(c.message, 0, c.detachedContent)) << "case " << i;
        }
    }
    // A message that does not open has no signers to report.
    EXPECT_EQ(32u, verify(Bytes(attached.begin(), attached.begin() + 100), 0));
    EXPECT_TRUE(api.GetSignerResults().empty());
    EXPECT_NE("", loggedLineWith("ERR  VerifyMessage(): 0x80090006"));  // NTE_BAD_SIGNATURE
    EXPECT_NE("", loggedLineWith("ERR  VerifyMessage():pkcs7:"));
}
INSTANTIATE_TEST_SUITE_P(Makers, VerifyEitherMakerTest, ::testing::Values(Maker::Openssl, Maker::Ours));

namespace {

// A signer's key (an EC curve, or RSA when none) and openssl's options for
// the padding and the digest.
struct SignatureAlgorithm {
    std::string name;
    std::string curve;
    std::vector<std::string> options;
};
void PrintTo(const SignatureAlgorithm& a, std::ostream* out) { *out << a.name; }

class VerifyAlgorithmTest : public VerifyMessageTest, public ::testing::WithParamInterface<SignatureAlgorithm> {};

}  // namespace

// Signatures of cards with EC keys, or made with PSS padding, verify with
// every check; a changed content byte or signature is refused as with RSA.
TEST_P(VerifyAlgorithmTest, SignaturesVerifyAndChangesAreRefused) {
    const SignatureAlgorithm& algorithm = GetParam();
    const pki::Credential signer =
        userIssuedBy(pki.standardCa, "Tesk " + algorithm.name + " Signer")
            .key(algorithm.curve.empty() ? pki::Key::rsa() : pki::Key::ec(algorithm.curve))
            .build();
    const DWORD everyCheck = kCheckTimeValid | kCheckChain | kCheckSigningCert;
    const Bytes attached = sign(signer, {.extra = algorithm.options});
    const Bytes detached = sign(signer, {.detached = true, .extra = algorithm.options});
    Bytes out;
    EXPECT_EQ(0u, api.VerifyMessage(nullptr, attached, nullptr, everyCheck, &out, nullptr, nullptr));
    EXPECT_EQ(content, out);
    EXPECT_EQ(0u, verify(detached, everyCheck, &content));
    Bytes changed = content;
    changed[0] ^= 0x01;
    EXPECT_EQ(53u, verify(patched(attached, content, 0), 0));
    EXPECT_EQ(53u, verify(detached, 0, &changed));
    EXPECT_EQ(1014u, verify(patched(attached, signerOf(attached, 0).signature), 0));
}
INSTANTIATE_TEST_SUITE_P(
    Common, VerifyAlgorithmTest,
    ::testing::Values(SignatureAlgorithm{"RsaPkcs1", "", {}},
                      SignatureAlgorithm{"RsaPss", "", {"-keyopt", "rsa_padding_mode:pss"}},
                      SignatureAlgorithm{"EcdsaP256", "P-256", {}},
                      SignatureAlgorithm{"EcdsaP384", "P-384", {"-md", "sha384"}},
                      SignatureAlgorithm{"EcdsaP521", "P-521", {"-md", "sha512"}}),
    [](const auto& info) { return info.param.name; });

// A message without signed attributes or certificates: the signer's
// certificate, or a damaged copy of it, comes from the caller's store.
TEST_F(VerifyMessageTest, FailuresOfTheSignatureCheckItself) {
    const Bytes& signer = pki.commercial.certificate.der();
    const auto verifiedWith = [&](const Bytes& message, const Bytes& certificate) {
        const HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
        CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, certificate.data(),
                                         static_cast<DWORD>(certificate.size()), CERT_STORE_ADD_ALWAYS, nullptr);
        const DWORD result = verify(message, 0, nullptr, nullptr, store);
        CertCloseStore(store, 0);
        return result;
    };
    const Bytes message = sign(pki.commercial, {.extra = {"-noattr", "-nocerts"}});
    EXPECT_EQ(0u, verifiedWith(message, signer));
    const Bytes rsaEncryption{0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01};
    EXPECT_EQ(1024u, verifiedWith(patched(message, rsaEncryption, 10, 0x63), signer));  // 1.2.840.113549.1.1.99
    // The key's RSAPublicKey SEQUENCE made a SET; its modulus made even (the
    // last of its 256 bytes follows the 14 bytes of the pattern).
    const Bytes key{0x03, 0x82, 0x01, 0x0F, 0x00, 0x30, 0x82, 0x01, 0x0A, 0x02, 0x82, 0x01, 0x01, 0x00};
    EXPECT_EQ(32u, verifiedWith(message, patched(signer, key, 5, 0x31)));
    EXPECT_EQ(1000u, verifiedWith(message, patched(signer, key, key.size() + 255)));
}

// Signers stand in DER order, so each signer's place is read back.
TEST_F(VerifyMessageTest, EverySignerIsReportedAndTheLastFailureDecides) {
    const Bytes two = addSigner(sign(pki.commercial), pki.qualified);
    EXPECT_EQ(0u, verify(two, kCheckChain | kCheckSigningCert));
    EXPECT_EQ((std::vector<DWORD>{0, 0}), api.GetSignerResults());

    std::vector<CertInfo> signers;
    const Bytes secondFails = patched(two, signerOf(two, 1).signature);
    EXPECT_EQ(1014u, api.VerifyMessage(nullptr, secondFails, nullptr, 0, nullptr, &signers, nullptr));
    EXPECT_EQ((std::vector<DWORD>{0, 1014}), api.GetSignerResults());
    ASSERT_EQ(1u, signers.size());
    EXPECT_EQ(signerOf(two, 0).serial, signers[0].serialHex);
    // The second signer passes without any signing-certificate attribute.
    EXPECT_EQ(1014u, verify(patched(two, signerOf(two, 0).signature), kCheckSigningCert));
    EXPECT_EQ((std::vector<DWORD>{1014, 0}), api.GetSignerResults());

    const Bytes oneExpired = addSigner(sign(pki.commercial), pki.expired);
    Bytes out;
    EXPECT_EQ(1002u, api.VerifyMessage(nullptr, oneExpired, nullptr, kCheckChain, &out, nullptr, nullptr));
    const bool expiredFirst = signerOf(oneExpired, 0).serial == infoOf(pki.expired.certificate).serialHex;
    EXPECT_EQ(expiredFirst ? (std::vector<DWORD>{1002, 0}) : (std::vector<DWORD>{0, 1002}), api.GetSignerResults());
    EXPECT_EQ(content, out);
}

// Asking for the content of a message that carries none is a failure,
// never a success with nothing to show.
TEST_F(VerifyMessageTest, AMessageWithoutItsContentGivesNoContentAndAFailure) {
    const Bytes detached = sign(pki.commercial, {.detached = true});
    Bytes out = bytesOf("kept");
    EXPECT_NE(0u, api.VerifyMessage(nullptr, detached, nullptr, 0, &out, nullptr, nullptr));
    EXPECT_EQ(0u, api.VerifyMessage(nullptr, detached, &content, 0, &out, nullptr, nullptr));
    EXPECT_EQ(content, out);
}

// Attributes put together by hand over the pkcs7 samples' commercial user,
// and the time-stamp tokens of openssl ts: SigningCertificate (SHA-1) and
// SigningCertificateV2 (SHA-256 implied, or SHA-384).
TEST_F(VerifyMessageTest, SigningCertificateAttributesVersionTwoFirst) {
    using namespace pkcs7_test;
    const Samples& s = samples();
    const auto ess = [](const char* oid, const Bytes& hash) {
        return attribute(oid, {sequence({sequence({sequence({octets(hash)})})})});
    };
    const char* v2Oid = "1.2.840.113549.1.9.16.2.47";
    const Bytes v1 = ess(kSigningCertificate, digestOf("sha1", s.pki.commercial.certificate.der()));
    const Bytes v2 = ess(v2Oid, digestOf("sha256", s.pki.commercial.certificate.der()));
    const Bytes v1Wrong = ess(kSigningCertificate, Bytes(20, 0x5A));
    const HCERTSTORE extra = BuildMemoryCertStore({infoOf(s.pki.commercial.certificate)});
    const auto verified = [&](const Bytes& message, DWORD flags) {
        return verify(message, flags, nullptr, nullptr, extra);
    };
    EXPECT_EQ(0u, verified(crafted({v1}), kCheckSigningCert));
    EXPECT_EQ(0u, verified(crafted({v2, v1Wrong}), kCheckSigningCert));
    EXPECT_EQ(1025u, verified(crafted({v1Wrong}), kCheckSigningCert));
    EXPECT_EQ(1025u, verified(crafted({ess(v2Oid, Bytes(32, 0x5A)), v1}), kCheckSigningCert));
    EXPECT_EQ(0u, verified(crafted({v1Wrong}), 0));
    CertCloseStore(extra, 0);
    for (const Bytes* token : {&s.tokenV1, &s.tokenV2, &s.tokenV2Sha384})
        EXPECT_EQ(0u, verify(*token, kCheckSigningCert));
}

TEST_F(VerifyMessageTest, SignerCertificatesFromTheMessageTheUsersStoresOrTheCaller) {
    const Bytes bare = sign(pki.commercial, {.extra = {"-nocerts"}});
    EXPECT_EQ(1023u, verify(bare, 0));
    const std::vector<CertInfo> extra{CertInfo{}, infoOf(pki.commercial.certificate)};
    Bytes out;
    EXPECT_EQ(0u, api.VerifyMessageWithCerts(&extra, bare, kCheckChain, &out, nullptr, nullptr));
    EXPECT_EQ(content, out);
    addToStore(u"AddressBook", pki.commercial.certificate);
    EXPECT_EQ(0u, verify(bare, kCheckChain));

    CertInfo found;
    const CertInfo qualified = infoOf(pki.qualified.certificate);
    EXPECT_EQ(1u, TCryptoapi::GetMessageCertsFromList(extra, {qualified, extra[1]}, found));
    EXPECT_EQ(extra[1].serialHex, found.serialHex);
    EXPECT_EQ(0u, TCryptoapi::GetMessageCertsFromList(extra, {qualified}, found));
    EXPECT_EQ(1u, TCryptoapi::GetMessageCertsFromSystemStore(u"AddressBook", {qualified, extra[1]}, found));
    EXPECT_EQ(0u, TCryptoapi::GetMessageCertsFromSystemStore(u"MY", {extra[1]}, found));
}

TEST_F(VerifyMessageTest, TheTrustedListIsAskedAboutEverySigner) {
    TCertTrustedStore& trusted = *TCertTrustedStore::Instance();
    trusted.SetCheckMask(16);
    const Bytes message = sign(pki.commercial);
    EXPECT_EQ(3032u, verify(message, 0));
    trusted.Add(16, infoOf(pki.commercial.certificate), false);
    EXPECT_EQ(0u, verify(message, 0));
    trusted.Clear();
    trusted.SetCheckMask(0);
}

// The signer's answer about a root that no one trusts decides the signer;
// chains without that fault, or with another one as well, are not asked
// about.
TEST_F(VerifyMessageTest, TheQuestionAboutAnUntrustedRootDecidesItsSigner) {
    const Bytes message = sign(pki.untrusted, {.certificates = {pki.untrustedRoot.certificate}});
    std::vector<std::string> asked;
    DWORD answer = kRootRefused;
    const auto previous = SetUntrustedRootQuestion([&](const CertInfo& root) {
        asked.push_back(root.thumbprintHex);
        return answer;
    });
    struct Restore {
        UntrustedRootQuestion question;
        ~Restore() { SetUntrustedRootQuestion(question); }
    } restore{previous};
    EXPECT_EQ(kRootRefused, verify(message, kCheckChain));
    EXPECT_EQ(std::vector<DWORD>{kRootRefused}, api.GetSignerResults());
    answer = kRootCancelled;
    EXPECT_EQ(kRootCancelled, verify(message, kCheckChain));
    answer = 0;
    EXPECT_EQ(0u, verify(message, kCheckChain | kCheckTimeValid));
    EXPECT_EQ(std::vector<std::string>(3, infoOf(pki.untrustedRoot.certificate).thumbprintHex), asked);

    EXPECT_EQ(0u, verify(sign(pki.commercial), kCheckChain));
    EXPECT_EQ(1002u, verify(sign(pki.expired), kCheckChain));
    EXPECT_EQ(3u, asked.size());
    SetUntrustedRootQuestion(nullptr);
    EXPECT_EQ(kRootUntrusted, verify(message, kCheckChain));
}

// The held provider lacks SHA-256, so the reader chooses one that has it.
TEST_F(VerifyMessageTest, TheReadersProviderVerifiesWhenTheHeldOneLacksTheDigest) {
    HCRYPTPROV sha1Only = 0;
    ASSERT_TRUE(CryptAcquireContextA(&sha1Only, nullptr, MS_STRONG_PROV_A, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
    api.SetProvider(sha1Only, PROV_RSA_FULL, MS_STRONG_PROV_A);
    EXPECT_EQ(0u, verify(sign(pki.commercial), kCheckChain));
    EXPECT_NE("", loggedLineWith("MSG  TCryptoapi::VerifyMessage: using '"));
}

TEST_F(VerifyMessageTest, CompareCertHashResults) {
    const auto user = certificate_support::contextOf(pki.commercial.certificate);
    const Bytes sha256 = pkcs7_test::digestOf("sha256", pki.commercial.certificate.der());
    std::string base64;
    ASSERT_TRUE(Base64ConvertVector(sha256, base64, 1));
    const std::string hex = BytesToHex(sha256.data(), sha256.size(), 2, " ");
    const std::string oid = "2.16.840.1.101.3.4.2.1";
    EXPECT_EQ(0u, api.CompareCertHash(user.get(), oid, base64, 0));
    EXPECT_EQ(0u, api.CompareCertHash(user.get(), oid, hex, 1));
    EXPECT_EQ(1025u, api.CompareCertHash(user.get(), "1.3.14.3.2.26", hex, 1));
    EXPECT_EQ(13u, api.CompareCertHash(user.get(), oid, "abc", 1));
    EXPECT_EQ(5u, api.CompareCertHash(user.get(), oid, "==AA", 0));
    EXPECT_EQ(8u, api.CompareCertHash(user.get(), "1.2.3.4", hex, 1));
    EXPECT_EQ(30u, api.CompareCertHash(user.get(), oid, "", 0));
}

}  // namespace
