// Fixtures of the PKCS#7 reader's tests: messages made once per test
// process by `openssl cms` and `openssl ts` from the testkit hierarchy, and
// messages put together here from DER pieces, for signed attributes the peer
// cannot add (signed with `openssl dgst`; OIDs and the signature-policy value
// made by `openssl asn1parse`).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "byte_strings.h"
#include "testkit/pki.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "win32/crypt_store.h"

namespace pkcs7_test {

using byte_strings::Bytes;
using byte_strings::bytesOf;
using byte_strings::kSha256;
using byte_strings::kSignaturePolicyId;
using byte_strings::kSigningCertificate;
using byte_strings::kTimeStampToken;
using byte_strings::textOf;
namespace pki = testkit::pki;
namespace fs = std::filesystem;

// What openssl writes to its standard output; the test fails when it fails.
inline Bytes openssl(std::vector<std::string> args, const fs::path& folder = fs::temp_directory_path(),
                     const std::string& input = "") {
    args.insert(args.begin(), "openssl");
    const testkit::RunResult r = testkit::run(args, {.cwd = folder, .input = input});
    EXPECT_EQ(0, r.exitCode) << args[1] << ": " << r.err;
    return bytesOf(r.out);
}

inline Bytes digestOf(const std::string& algorithm, const Bytes& data) {
    return openssl({"dgst", "-" + algorithm, "-binary"}, fs::temp_directory_path(), textOf(data));
}

// ---- DER pieces ----

inline Bytes tlv(BYTE tag, const Bytes& content) {
    Bytes out{tag};
    if (content.size() < 0x80) {
        out.push_back(static_cast<BYTE>(content.size()));
    } else {
        Bytes length;
        for (std::size_t rest = content.size(); rest; rest >>= 8)
            length.insert(length.begin(), static_cast<BYTE>(rest));
        out.push_back(static_cast<BYTE>(0x80 | length.size()));
        out.insert(out.end(), length.begin(), length.end());
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

// The parts in a SEQUENCE, or in DER order in a SET OF with the tag.
inline Bytes sequence(const std::vector<Bytes>& parts, BYTE tag = 0x30, bool sorted = false) {
    std::vector<Bytes> ordered = parts;
    if (sorted) std::sort(ordered.begin(), ordered.end());
    Bytes content;
    for (const Bytes& p : ordered) content.insert(content.end(), p.begin(), p.end());
    return tlv(tag, content);
}
inline Bytes setOf(const std::vector<Bytes>& parts, BYTE tag = 0x31) { return sequence(parts, tag, true); }
inline Bytes oid(const std::string& dotted) {
    return openssl({"asn1parse", "-genstr", "OID:" + dotted, "-out", "/dev/stdout", "-noout"});
}
inline Bytes octets(const Bytes& value) { return tlv(0x04, value); }
inline Bytes attribute(const std::string& type, const std::vector<Bytes>& values) {
    return sequence({oid(type), setOf(values)});
}

// ---- the messages ----

struct Samples {
    fs::path folder;  // what the messages were made from; removed at exit
    pki::Hierarchy pki = pki::Hierarchy::make();
    Bytes content = bytesOf("payload");
    // The commercial user with signed attributes and its CAs as extra
    // certificates; without attributes; signed again by the qualified user.
    Bytes attached, detached, noAttributes, twoSigners;
    Bytes enveloped;
    // Time-stamp tokens: ESSCertID (SHA-1), ESSCertIDv2 without its hash
    // algorithm (SHA-256), ESSCertIDv2 with SHA-384.
    Bytes tokenV1, tokenV2, tokenV2Sha384;
    Bytes policyValue;  // a SignaturePolicyId with an SPuri and an SPUserNotice

    ~Samples() { fs::remove_all(folder); }
};

inline constexpr char kPolicyConfig[] =
    "asn1 = SEQUENCE:policy\n"
    "[policy]\nid = OID:1.3.158.36061701.1.2.3\nhash = SEQUENCE:hash\nqualifiers = SEQUENCE:qualifiers\n"
    "[hash]\nalgorithm = SEQUENCE:sha256\nvalue = FORMAT:HEX,OCTETSTRING:A1B2C3D4E5F60718\n[sha256]\noid = OID:sha256\n"
    "[qualifiers]\nuri = SEQUENCE:uri\nnotice = SEQUENCE:notice\n"
    "[uri]\noid = OID:1.2.840.113549.1.9.16.5.1\nvalue = IA5STRING:http://tesk.example/policy.der\n"
    "[notice]\noid = OID:1.2.840.113549.1.9.16.5.2\nvalue = SEQUENCE:userNotice\n"
    "[userNotice]\nreference = SEQUENCE:reference\ntext = UTF8String:Qualified signature\n"
    "[reference]\norganization = UTF8String:Tesk\nnumbers = SEQUENCE:numbers\n"
    "[numbers]\nfirst = INTEGER:1\nsecond = INTEGER:23\n";

inline Bytes token(const fs::path& folder, const std::string& essCertIdAlgorithm) {
    testkit::writeFile(folder / "tsa.cnf",
                       "[ tsa ]\ndefault_tsa = tsa1\n[ tsa1 ]\nserial = tsaserial\n"
                       "signer_cert = tsa.pem\nsigner_key = tsa.key\nsigner_digest = sha256\n"
                       "default_policy = 1.2.3.4.1\ndigests = sha256\ness_cert_id_chain = no\n"
                       "ess_cert_id_alg = " +
                           essCertIdAlgorithm + "\n");
    return openssl({"ts", "-reply", "-config", "tsa.cnf", "-queryfile", "query.tsq", "-token_out", "-out", "-"},
                   folder);
}

inline Samples makeSamples() {
    Samples s;
    s.folder = fs::temp_directory_path() / ("tesk-pkcs7-" + std::to_string(getpid()));
    fs::create_directories(s.folder);
    testkit::writeFile(s.folder / "content", textOf(s.content));
    s.pki.commercial.write(s.folder, "user");
    s.pki.qualified.write(s.folder, "second");
    s.pki.tsa.write(s.folder, "tsa");
    testkit::writeFile(s.folder / "cas.pem", s.pki.standardCa.certificate.pem() + s.pki.root.certificate.pem());
    const auto sign = [&](std::vector<std::string> extra) {
        std::vector<std::string> args{"cms",    "-sign",    "-binary",  "-in", "content",   "-signer", "user.pem",
                                      "-inkey", "user.key", "-outform", "DER", "-certfile", "cas.pem"};
        args.insert(args.end(), extra.begin(), extra.end());
        return openssl(args, s.folder);
    };
    s.attached = sign({"-nodetach"});
    s.detached = sign({});
    s.noAttributes = sign({"-nodetach", "-noattr"});
    testkit::writeFile(s.folder / "attached.der", textOf(s.attached));
    s.twoSigners = openssl({"cms", "-resign", "-binary", "-inform", "DER", "-in", "attached.der", "-signer",
                            "second.pem", "-inkey", "second.key", "-outform", "DER", "-nodetach"},
                           s.folder);
    s.enveloped = openssl({"cms", "-encrypt", "-binary", "-in", "content", "-outform", "DER", "user.pem"}, s.folder);
    testkit::writeFile(s.folder / "tsaserial", "01\n");
    openssl({"ts", "-query", "-data", "content", "-sha256", "-cert", "-out", "query.tsq"}, s.folder);
    s.tokenV1 = token(s.folder, "sha1");
    s.tokenV2 = token(s.folder, "sha256");
    s.tokenV2Sha384 = token(s.folder, "sha384");
    testkit::writeFile(s.folder / "policy.cnf", kPolicyConfig);
    s.policyValue = openssl({"asn1parse", "-genconf", "policy.cnf", "-out", "/dev/stdout", "-noout"}, s.folder);
    return s;
}

inline const Samples& samples() {
    static const Samples made = makeSamples();
    return made;
}

// Every test runs on a fresh emulated machine (providers and stores live in
// its registry) and needs the openssl peer.
class Pkcs7Test : public ::testing::Test {
protected:
    void SetUp() override { TESTKIT_REQUIRE_PROGRAM("openssl"); }
    testkit::PlatformRoot root;
};

// A message over the content signed by the commercial user, put together
// here: contentType and messageDigest, then the extra signed attributes,
// then the unsigned ones; no certificates.
inline Bytes crafted(const std::vector<Bytes>& extraSigned, const std::vector<Bytes>& unsignedAttributes = {}) {
    const Samples& s = samples();
    const Bytes& der = s.pki.commercial.certificate.der();
    PCCERT_CONTEXT cert = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    const Bytes issuer(cert->pCertInfo->Issuer.pbData, cert->pCertInfo->Issuer.pbData + cert->pCertInfo->Issuer.cbData);
    CertFreeCertificateContext(cert);
    Bytes serial = s.pki.commercial.certificate.serial();
    if (serial.front() & 0x80) serial.insert(serial.begin(), 0x00);

    const Bytes data = oid("1.2.840.113549.1.7.1");
    std::vector<Bytes> signedAttributes{attribute("1.2.840.113549.1.9.3", {data}),
                                        attribute("1.2.840.113549.1.9.4", {octets(digestOf("sha256", s.content))})};
    signedAttributes.insert(signedAttributes.end(), extraSigned.begin(), extraSigned.end());
    Bytes signedField = setOf(signedAttributes);
    testkit::writeFile(s.folder / "attributes.der", textOf(signedField));
    const Bytes signature = openssl({"dgst", "-sha256", "-sign", "user.key", "attributes.der"}, s.folder);
    signedField[0] = 0xA0;  // [0] IMPLICIT in the SignerInfo

    const Bytes sha256 = sequence({oid(kSha256), tlv(0x05, {})});
    std::vector<Bytes> signer{tlv(0x02, {0x01}),
                              sequence({issuer, tlv(0x02, serial)}),
                              sha256,
                              signedField,
                              sequence({oid("1.2.840.113549.1.1.1"), tlv(0x05, {})}),
                              octets(signature)};
    if (!unsignedAttributes.empty()) signer.push_back(setOf(unsignedAttributes, 0xA1));
    const Bytes signedData = sequence({tlv(0x02, {0x01}), setOf({sha256}),
                                       sequence({data, tlv(0xA0, octets(s.content))}), setOf({sequence(signer)})});
    return sequence({oid("1.2.840.113549.1.7.2"), tlv(0xA0, signedData)});
}

// Copies of the certificate whose serial numbers' last two bytes count up,
// unsigned, and a message of as many signers, each named by one of them;
// nothing in it is signed, as reading the certificates checks no signature.
struct ManySigners {
    std::vector<Bytes> certificates;
    Bytes message;
};

inline ManySigners manySigners(const pki::Certificate& certificate, std::size_t count) {
    const Bytes& der = certificate.der();
    PCCERT_CONTEXT cert = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    const Bytes issuer(cert->pCertInfo->Issuer.pbData, cert->pCertInfo->Issuer.pbData + cert->pCertInfo->Issuer.cbData);
    CertFreeCertificateContext(cert);
    const Bytes serial = certificate.serial();
    const Bytes serialField = tlv(0x02, serial);
    const auto at = std::search(der.begin(), der.end(), serialField.begin(), serialField.end()) - der.begin() +
                    static_cast<std::ptrdiff_t>(serialField.size());
    const Bytes sha256 = sequence({oid(kSha256), tlv(0x05, {})});
    const Bytes rsa = sequence({oid("1.2.840.113549.1.1.1"), tlv(0x05, {})});
    ManySigners made;
    Bytes certificates, signers;
    for (std::size_t i = 0; i < count; ++i) {
        Bytes numbered = der, number = serial;
        numbered[at - 2] = number[number.size() - 2] = static_cast<BYTE>(i >> 8);
        numbered[at - 1] = number[number.size() - 1] = static_cast<BYTE>(i);
        certificates.insert(certificates.end(), numbered.begin(), numbered.end());
        const Bytes signer = sequence(
            {tlv(0x02, {0x01}), sequence({issuer, tlv(0x02, number)}), sha256, rsa, octets({0x00})});
        signers.insert(signers.end(), signer.begin(), signer.end());
        made.certificates.push_back(std::move(numbered));
    }
    const Bytes signedData = sequence({tlv(0x02, {0x01}), setOf({sha256}), sequence({oid("1.2.840.113549.1.7.1")}),
                                       tlv(0xA0, certificates), tlv(0x31, signers)});
    made.message = sequence({oid("1.2.840.113549.1.7.2"), tlv(0xA0, signedData)});
    return made;
}

// Whether `openssl cms -verify` accepts the message's signature (the
// signer's certificate given apart) and gives back the content.
inline bool opensslVerifies(const Bytes& message) {
    const Samples& s = samples();
    testkit::writeFile(s.folder / "verify.der", textOf(message));
    const auto verified = testkit::run({"openssl", "cms", "-verify", "-noverify", "-binary", "-inform", "DER", "-in",
                                        "verify.der", "-certfile", "user.pem"},
                                       s.folder);
    return verified.exitCode == 0 && verified.out == textOf(s.content);
}

}  // namespace pkcs7_test
