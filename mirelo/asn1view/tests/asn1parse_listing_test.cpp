// The reader against `openssl asn1parse -i`: real certificates, a CRL,
// policies, CMS messages (DER, and BER with indefinite lengths) and a
// time-stamp token read with no error, and the tree walked in order lists the same items, at the same
// depths and with the same values, as openssl does, opening with -strparse
// every string the reader took for encapsulated ASN.1.
#include <gtest/gtest.h>
#include <openssl/objects.h>

#include <fstream>
#include <set>
#include <sstream>

#include "asn1view/der_reader.h"
#include "platform/text.h"
#include "testkit/pki.h"
#include "testkit/platform_root.h"
#include "testkit/policy.h"
#include "testkit/process.h"
#include "testkit/scoped_env.h"
#include "testkit/tsa.h"

namespace {

using namespace asn1view;
using testkit::Bytes;
namespace pki = testkit::pki;

struct Entry {
    int depth = 0;
    std::string type;
    std::string value;
    std::size_t offset = 0;  // openssl's offset of the item
    bool encapsulated = false;

    bool operator==(const Entry& other) const {
        return depth == other.depth && type == other.type && value == other.value;
    }
};

std::ostream& operator<<(std::ostream& out, const Entry& e) {
    return out << "d=" << e.depth << ' ' << e.type << " :" << e.value;
}

std::string Hex(const std::uint8_t* bytes, std::size_t size) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

// An integer as openssl shows it: the magnitude in hex, "-" when negative.
std::string IntegerText(const ASNInteger& integer) {
    if (!integer.IsNumber()) {
        const Bytes& raw = integer.Raw();
        std::size_t skip = 0;
        while (skip + 1 < raw.size() && raw[skip] == 0) ++skip;
        return Hex(raw.data() + skip, raw.size() - skip);
    }
    const std::int64_t value = integer.Number();
    std::uint64_t magnitude = static_cast<std::uint64_t>(value < 0 ? -value : value);
    Bytes bytes;
    do {
        bytes.insert(bytes.begin(), static_cast<std::uint8_t>(magnitude & 0xFF));
        magnitude >>= 8;
    } while (magnitude);
    return (value < 0 ? "-" : "") + Hex(bytes.data(), bytes.size());
}

std::string OidText(const Oid& oid) {
    const std::unique_ptr<ASN1_OBJECT, decltype(&ASN1_OBJECT_free)> object(OBJ_txt2obj(oid.Dotted().c_str(), 1),
                                                                          ASN1_OBJECT_free);
    char text[256] = {};
    OBJ_obj2txt(text, sizeof text, object.get(), 0);
    return text;
}

const std::set<std::string> kStringTypes = {"UTF8STRING", "PRINTABLESTRING", "IA5STRING", "T61STRING",
                                            "VISIBLESTRING", "NUMERICSTRING", "BMPSTRING", "GENERALSTRING"};

void List(const ASN1Object& node, int depth, std::vector<Entry>& out) {
    Entry e;
    e.depth = depth;
    switch (node.Type()) {
    case NodeType::Sequence: e.type = "SEQUENCE"; break;
    case NodeType::Set: e.type = "SET"; break;
    case NodeType::DistinctTag: e.type = "[ " + std::to_string(static_cast<const DistinctTag&>(node).Tag()) + " ]"; break;
    case NodeType::InnerOctetString: e.type = "OCTET STRING"; e.encapsulated = true; break;
    case NodeType::InnerBitString: e.type = "BIT STRING"; e.encapsulated = true; break;
    case NodeType::Null: e.type = "NULL"; break;
    case NodeType::Boolean: e.type = "BOOLEAN"; e.value = static_cast<const ASNBoolean&>(node).Value() ? "255" : "0"; break;
    case NodeType::Integer: e.type = "INTEGER"; e.value = IntegerText(static_cast<const ASNInteger&>(node)); break;
    case NodeType::Enumerated: e.type = "ENUMERATED"; e.value = IntegerText(ASNInteger(static_cast<const Enumerated&>(node).Value())); break;
    case NodeType::OctetString: {
        const Bytes& raw = static_cast<const OctetString&>(node).Raw();
        e.type = "OCTET STRING";
        e.value = Hex(raw.data(), raw.size());
        break;
    }
    case NodeType::BitString: e.type = "BIT STRING"; break;
    case NodeType::Oid: e.type = "OBJECT"; e.value = OidText(static_cast<const Oid&>(node)); break;
    case NodeType::Time: {
        const std::string& text = static_cast<const ASNTime&>(node).Encoded();
        e.type = text.size() == 13 ? "UTCTIME" : "GENERALIZEDTIME";
        e.value = text;
        break;
    }
    case NodeType::String: e.type = "STRING"; e.value = platform::text::ansiToUtf8(node.ValueText()); break;
    default: break;
    }
    out.push_back(e);
    // A primitive tag's content is one line in openssl's listing.
    if (node.Type() == NodeType::DistinctTag && !static_cast<const DistinctTag&>(node).Constructed()) return;
    if (node.IsContainer())
        for (const auto& child : static_cast<const InnerObject&>(node).Children()) List(*child, depth + 1, out);
}

// openssl's listing of the file, the strings at the offsets of strparse
// opened in turn; a constructed universal string (BER segments) has no line
// of its own in the reader's tree, so its items move up one level.
std::vector<Entry> Asn1parse(const std::filesystem::path& file, const std::vector<std::size_t>& strparse) {
    std::vector<std::string> argv = {"openssl", "asn1parse", "-i", "-inform", "DER", "-in", file.string()};
    for (const std::size_t offset : strparse) {
        argv.push_back("-strparse");
        argv.push_back(std::to_string(offset));
    }
    const auto result = testkit::run(argv);
    EXPECT_EQ(0, result.exitCode) << result.err;
    std::vector<Entry> entries;
    std::vector<int> segmentDepths;
    std::istringstream lines(result.out);
    std::string line;
    while (std::getline(lines, line)) {
        const auto colon = line.find(':');
        const auto d = line.find("d=");
        const auto kind = line.find("prim:") != std::string::npos ? line.find("prim:") : line.find("cons:");
        if (colon == std::string::npos || d == std::string::npos || kind == std::string::npos) continue;
        Entry e;
        e.offset = std::stoul(line.substr(0, colon));
        e.depth = std::stoi(line.substr(d + 2));
        std::string rest = line.substr(kind + 5);
        const auto valueAt = rest.find(':');
        if (valueAt != std::string::npos) {
            e.value = rest.substr(valueAt + 1);
            rest.resize(valueAt);
        }
        if (const auto dump = rest.find("[HEX DUMP]"); dump != std::string::npos) rest.resize(dump);
        else if (line.find("OCTET STRING") != std::string::npos)  // printable bytes are shown as text
            e.value = Hex(reinterpret_cast<const std::uint8_t*>(e.value.data()), e.value.size());
        rest.erase(0, rest.find_first_not_of(' '));
        rest.erase(rest.find_last_not_of(' ') + 1);
        e.type = rest;
        for (const char* prefix : {"cont ", "appl ", "priv "})
            if (e.type.rfind(prefix, 0) == 0) e.type.erase(0, 5);
        if (kStringTypes.count(e.type)) e.type = "STRING";
        if (e.type == "STRING" && line.find("BMPSTRING") != std::string::npos) e.value.clear();
        while (!segmentDepths.empty() && e.depth <= segmentDepths.back()) segmentDepths.pop_back();
        const bool segments = line.find("cons:") != std::string::npos &&
                              (e.type == "OCTET STRING" || e.type == "BIT STRING" || e.type == "STRING");
        if (e.type == "EOC") continue;
        e.depth -= static_cast<int>(segmentDepths.size());
        if (segments) {
            segmentDepths.push_back(e.depth + static_cast<int>(segmentDepths.size()));
            continue;
        }
        entries.push_back(e);
    }
    return entries;
}

// Compares openssl's listing with the reader's from position i on.
void Compare(const std::filesystem::path& file, const std::vector<Entry>& mine, std::size_t& i,
             std::vector<std::size_t> strparse, int baseDepth) {
    for (Entry theirs : Asn1parse(file, strparse)) {
        theirs.depth += baseDepth;
        ASSERT_LT(i, mine.size()) << "the reader has no item for " << theirs;
        Entry expected = mine[i];
        if (expected.type == "STRING" && theirs.value.empty()) expected.value.clear();  // BMP: openssl shows no text
        if (expected.encapsulated) expected.value = theirs.value;
        ASSERT_EQ(theirs, expected) << "item " << i << " at offset " << theirs.offset;
        ++i;
        if (mine[i - 1].encapsulated) {
            auto inner = strparse;
            inner.push_back(theirs.offset);
            Compare(file, mine, i, inner, theirs.depth + 1);
            if (::testing::Test::HasFatalFailure()) return;
        }
    }
}

void ExpectListingOfOpenssl(const std::filesystem::path& file) {
    SCOPED_TRACE(file.filename().string());
    ASNRoot root;
    ASSERT_EQ(0, ParseDerFile(root, file));
    std::vector<Entry> mine;
    for (const auto& child : root.Children()) List(*child, 0, mine);
    ASSERT_GT(mine.size(), 10u);
    std::size_t i = 0;
    Compare(file, mine, i, {}, 0);
    EXPECT_EQ(mine.size(), i) << "the reader lists more items than openssl";
}

std::filesystem::path Write(const std::filesystem::path& folder, const std::string& name, const Bytes& der) {
    const auto path = folder / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(der.data()),
                                                static_cast<std::streamsize>(der.size()));
    return path;
}

// A root, a qualified CA, a qualified signer and a time-stamping authority
// with keys kept in data/, fixed serials and fixed validity.
struct FixedPki {
    pki::Credential root, ca, signer, tsa;
};

FixedPki MakeFixedPki() {
    const auto key = [](const char* file) {
        return pki::Key::fromPemFile(std::filesystem::path(ASN1VIEW_TEST_DATA) / file);
    };
    const auto name = [](std::string commonName) {
        return pki::Name{{"C", "CZ", pki::StringType::Printable}, {"O", "Tesk", pki::StringType::Utf8},
                         {"CN", std::move(commonName)}};
    };
    const auto from = pki::utc("2026-01-01");
    const auto to = pki::utc("2031-01-01");
    const std::vector<std::string> crl = {"http://crl.tesk.example/qualified-ca.crl"};
    const pki::Credential root = pki::CertificateBuilder()
                 .subject(name("Tesk Root CA"))
                 .key(key("root.key"))
                 .serial({0x01})
                 .validity(from, to)
                 .basicConstraints({.ca = true})
                 .keyUsage(pki::kKeyCertSign | pki::kCrlSign)
                 .build();
    const pki::Credential ca = pki::CertificateBuilder()
               .subject(name("Tesk Qualified CA"))
               .key(key("ca.key"))
               .issuedBy(root)
               .serial({0x02})
               .validity(from, to)
               .crlDistributionPoints({"http://crl.tesk.example/root.crl"})
               .basicConstraints({.ca = true, .pathLength = 0})
               .keyUsage(pki::kKeyCertSign | pki::kCrlSign)
               .build();
    const pki::Credential signer = pki::CertificateBuilder()
                   .subject(name("Tesk Qualified User"))
                   .key(key("signer.key"))
                   .issuedBy(ca)
                   .serial({0x03, 0xE8})
                   .validity(from, to)
                   .crlDistributionPoints(crl)
                   .subjectAltNames({pki::GeneralName::rfc822("qualified@tesk.example")})
                   .keyUsage(pki::kNonRepudiation)
                   .policies({{std::string(pki::kQualifiedPolicy)}})
                   .qcStatements({{std::string(pki::kQcCompliance)}, {std::string(pki::kQcSscd)}})
                   .build();
    const pki::Credential tsa = pki::CertificateBuilder()
                .subject(name("Tesk Time Stamping"))
                .key(key("tsa.key"))
                .issuedBy(ca)
                .serial({0x04})
                .validity(from, to)
                .crlDistributionPoints(crl)
                .keyUsage(pki::kDigitalSignature | pki::kNonRepudiation)
                .extendedKeyUsage({std::string(pki::kTimeStamping)}, true)
                .build();
    return {root, ca, signer, tsa};
}

// Fixed keys, serials and times: the certificates, the CRL, the signatures
// and the token are the same bytes in every run, so the reader's
// heuristics (which strings hold ASN.1, which content is text) meet the
// same input each time. openssl's clock, for the signing time and the
// time stamp, stands still at one moment (libfaketime).
class Asn1parseListing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(kFaketime)) << kFaketime << " is missing (Debian package faketime)";
    }

    static constexpr const char* kFaketime = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1";
    testkit::PlatformRoot folder;
    const ScopedEnv preload{"LD_PRELOAD", kFaketime};
    const ScopedEnv clock{"FAKETIME", "2026-03-02 10:15:30"};
    FixedPki pki = MakeFixedPki();
};

TEST_F(Asn1parseListing, CertificatesCrlAndPolicyListAsOpensslDoes) {
    const auto revoked = pki::CrlBuilder(pki.ca)
                             .revoke(pki.signer.certificate.serial(), pki::RevocationReason::KeyCompromise)
                             .thisUpdate(pki::utc("2026-01-01"))
                             .nextUpdate(pki::utc("2026-01-08"))
                             .build();
    testkit::policy::SignaturePolicy policy;
    policy.notAfter = pki::utc("2030-01-01");
    policy.signerTrust = {pki.root.certificate};
    policy.tsaTrust = {pki.root.certificate};
    policy.algorithms.signer = {{"1.2.840.113549.1.1.11", 2048}};
    policy.mandatedUnsignedAttrs = {testkit::policy::kTimeStampToken};

    for (const auto& [name, der] : std::vector<std::pair<std::string, Bytes>>{
             {"root.der", pki.root.certificate.der()},
             {"ca.der", pki.ca.certificate.der()},
             {"signer.der", pki.signer.certificate.der()},
             {"tsa.der", pki.tsa.certificate.der()},
             {"revoked.crl", revoked.der()},
             {"policy.der", testkit::policy::encode(policy)}}) {
        ExpectListingOfOpenssl(Write(folder.path(), name, der));
        if (HasFatalFailure()) return;
    }
    // Policies written by `openssl asn1parse -genconf`.
    std::filesystem::create_directories(folder.path() / "scratch");
    for (const char* source : {"qualified.cnf", "minimal.cnf"}) {
        SCOPED_TRACE(source);
        const Bytes der = testkit::policy::fromGenconf(std::filesystem::path(ASN1VIEW_POLICY_SOURCES) / source, {},
                                                       folder.path() / "scratch");
        ExpectListingOfOpenssl(Write(folder.path(), std::string(source) + ".der", der));
        if (HasFatalFailure()) return;
    }
}

// A time-stamp token of testkit's TSA, which openssl's CMS signing and its
// TSTInfo in an OCTET STRING carry.
TEST_F(Asn1parseListing, ATimeStampTokenListsAsOpensslDoes) {
    const auto content = folder.write("stamped.txt", "A document to be stamped.");
    const auto query = folder.path() / "query.tsq";
    const auto asked = testkit::run({"openssl", "ts", "-query", "-data", content.string(), "-sha256", "-cert",
                                     "-no_nonce", "-out", query.string()});
    ASSERT_EQ(0, asked.exitCode) << asked.err;
    const testkit::TsaSigner tsa(pki.tsa);
    const std::string request = testkit::readFile(query);
    const auto reply = Write(folder.path(), "reply.tsr", tsa.reply(Bytes(request.begin(), request.end())));
    const auto token = folder.path() / "token.der";
    const auto cut = testkit::run({"openssl", "ts", "-reply", "-in", reply.string(), "-token_out", "-out", token.string()});
    ASSERT_EQ(0, cut.exitCode) << cut.err;
    ExpectListingOfOpenssl(token);
}

// A CMS message signed by openssl, as DER and as BER with indefinite
// lengths (the content in segments).
TEST_F(Asn1parseListing, SignedMessagesInDerAndBerListAsOpensslDoes) {
    const auto files = pki.signer.write(folder.path(), "signer");
    const auto issuers = folder.write("issuers.pem", pki.ca.certificate.pem() + pki.root.certificate.pem());
    const auto content = folder.write("content.txt", "A document to be signed.");
    for (const bool stream : {false, true}) {
        const auto out = folder.path() / (stream ? "stream.p7s" : "der.p7s");
        std::vector<std::string> argv = {"openssl", "cms", "-sign", "-binary", "-nodetach", "-in", content.string(),
                                         "-signer", files.certificatePem.string(), "-inkey", files.keyPem.string(),
                                         "-certfile", issuers.string(), "-outform", "DER", "-out", out.string()};
        if (stream) argv.push_back("-stream");
        const auto signing = testkit::run(argv);
        ASSERT_EQ(0, signing.exitCode) << signing.err;
        if (stream) {
            std::ifstream written(out, std::ios::binary);
            std::string head(2, '\0');
            written.read(head.data(), 2);
            ASSERT_EQ(std::string("\x30\x80"), head) << "the message has no indefinite length";
        }
        ExpectListingOfOpenssl(out);
        if (HasFatalFailure()) return;
    }
}

}  // namespace
