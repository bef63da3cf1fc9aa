// A PKI made in the test process through OpenSSL: RSA keys, certificates
// with any of the extensions the system reads, ready-made hierarchies,
// CRLs and PKCS#12 files. Everything is kept in memory (DER) and written
// only when asked. Times are UTC; "now" is the real system clock, as the
// `openssl` peer sees it.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testkit {

using Bytes = std::vector<std::uint8_t>;

namespace pki {

using Instant = std::chrono::sys_seconds;

// "2010-10-31" (midnight) or "2010-11-01T00:00:00Z".
Instant utc(std::string_view text);
Instant fromNow(std::chrono::seconds offset);

enum class Hash { Md5, Sha1, Sha256, Sha384, Sha512 };

// An RSA, RSA-PSS or EC key pair. Generating one is slow, so keys are made once per
// size or curve and name and shared by the whole test process.
class Key {
public:
    static Key rsa(unsigned bits = 2048, std::string_view name = "");
    // A 2048-bit key of the RSA-PSS type without restrictions: its public
    // key's algorithm is id-RSASSA-PSS without parameters.
    static Key rsaPss(std::string_view name = "");
    // On a named curve ("P-256", "P-384", "P-521").
    static Key ec(std::string_view curve, std::string_view name = "");
    // A key made elsewhere, from its PKCS#8 DER.
    static Key fromPkcs8(Bytes der) { return Key(std::move(der)); }
    // A key kept in a file (PEM, PKCS#1 or PKCS#8), for bytes that are the
    // same in every run.
    static Key fromPemFile(const std::filesystem::path& file);

    const Bytes& pkcs8Der() const noexcept { return m_pkcs8; }
    std::string pkcs8Pem() const;
    // RSA keys only.
    Bytes pkcs1Der() const;
    std::string pkcs1Pem() const;

private:
    explicit Key(Bytes pkcs8) : m_pkcs8(std::move(pkcs8)) {}
    Bytes m_pkcs8;
};

enum class StringType { Printable, Utf8, Bmp, Ia5 };

struct Attribute {
    std::string type;   // a short name ("C", "CN", "emailAddress") or a dotted OID
    std::string value;  // UTF-8, converted to the string type
    StringType encoding = StringType::Utf8;
};

// A distinguished name as encoded: RDNs in order, most significant first.
class Name {
public:
    Name() = default;
    // One single-valued RDN per attribute.
    Name(std::initializer_list<Attribute> attributes);
    Name& add(Attribute attribute);
    // One RDN holding all the attributes (DER sorts them).
    Name& addMultiValued(std::vector<Attribute> attributes);
    const std::vector<std::vector<Attribute>>& rdns() const noexcept { return m_rdns; }

private:
    std::vector<std::vector<Attribute>> m_rdns;
};

struct GeneralName {
    enum class Kind { OtherName, Rfc822, Dns, Uri, IpAddress, DirectoryName };
    Kind kind;
    std::string value;                           // text, or the address "10.0.0.1" / "::1"
    std::string otherNameType;                   // OID of an other name
    StringType otherNameEncoding = StringType::Utf8;
    Name directoryName;

    static GeneralName otherName(std::string typeOid, std::string value,
                                 StringType encoding = StringType::Utf8);
    static GeneralName rfc822(std::string address);
    static GeneralName dns(std::string name);
    static GeneralName uri(std::string uri);
    static GeneralName ip(std::string address);
    static GeneralName directory(Name name);
};

// Key-usage bits with the values CryptoAPI gives them (decipherOnly is the
// first bit of the second byte).
enum KeyUsage : unsigned {
    kDigitalSignature = 0x80,
    kNonRepudiation = 0x40,
    kKeyEncipherment = 0x20,
    kDataEncipherment = 0x10,
    kKeyAgreement = 0x08,
    kKeyCertSign = 0x04,
    kCrlSign = 0x02,
    kEncipherOnly = 0x01,
    kDecipherOnly = 0x8000,
};

struct BasicConstraints {
    bool ca = false;
    std::optional<long> pathLength;
    bool critical = true;
};

struct UserNotice {
    std::string organization;  // with numbers: the notice reference; empty: none
    std::vector<long> numbers;
    std::string explicitText;  // empty: none
};

struct Policy {
    std::string oid;
    std::string cpsUri;  // empty: no CPS qualifier
    std::optional<UserNotice> notice;
};

// Policy constraints (2.5.29.36): how many certificates below may follow
// until an explicit policy is required, or until mapping stops.
struct PolicyConstraints {
    std::optional<long> requireExplicitPolicy;
    std::optional<long> inhibitPolicyMapping;
};

struct PolicyMapping {
    std::string issuerDomainPolicy;
    std::string subjectDomainPolicy;
};

inline constexpr std::string_view kAnyPolicy = "2.5.29.32.0";

inline constexpr std::string_view kQcCompliance = "0.4.0.1862.1.1";
inline constexpr std::string_view kQcSscd = "0.4.0.1862.1.4";

struct QcStatement {
    std::string oid;
    Bytes info;  // DER of statementInfo; empty: absent
};

inline constexpr std::string_view kOcsp = "1.3.6.1.5.5.7.48.1";
inline constexpr std::string_view kCaIssuers = "1.3.6.1.5.5.7.48.2";

struct AccessDescription {
    std::string method;  // kOcsp, kCaIssuers or any OID
    std::string uri;
};

inline constexpr std::string_view kClientAuth = "1.3.6.1.5.5.7.3.2";
inline constexpr std::string_view kEmailProtection = "1.3.6.1.5.5.7.3.4";
inline constexpr std::string_view kTimeStamping = "1.3.6.1.5.5.7.3.8";
// The certification authority's own extension (a string).
inline constexpr std::string_view kAuthorityExtension = "1.3.6.1.4.1.32473.4.3";
// The Netscape comment, where the authority writes the card number.
inline constexpr std::string_view kNetscapeComment = "2.16.840.1.113730.1.13";
// The certification authority's qualified-signature policy.
inline constexpr std::string_view kQualifiedPolicy = "1.3.158.36061701.0.0.0.1.2.2";

struct Extension {
    std::string oid;
    bool critical = false;
    Bytes value;  // DER of extnValue's contents
};

class Certificate {
public:
    // A certificate made elsewhere (e.g. one whose key a token generated).
    static Certificate fromDer(Bytes der) { return Certificate(std::move(der)); }
    const Bytes& der() const noexcept { return m_der; }
    std::string pem() const;
    // The serial number's magnitude, most significant byte first.
    Bytes serial() const;

private:
    friend class CertificateBuilder;
    explicit Certificate(Bytes der) : m_der(std::move(der)) {}
    Bytes m_der;
};

// A certificate, its private key and its issuers up to the root.
struct Credential {
    Certificate certificate;
    Key key;
    std::vector<Certificate> chain;  // nearest issuer first; empty when self-signed

    // The certificate followed by its chain, PEM.
    std::string chainPem() const;
    // The certificate and key only, protected by the password.
    Bytes pkcs12(std::string_view password) const;

    struct Files {
        std::filesystem::path certificatePem, certificateDer, keyPem, chainPem;
    };
    // <name>.pem, <name>.der, <name>.key (PKCS#8 PEM) and <name>-chain.pem.
    Files write(const std::filesystem::path& folder, std::string_view name) const;
    // What write() left there: the key and the chain file's certificates.
    static Credential read(const std::filesystem::path& folder, std::string_view name);
};

// Version 3, SHA-256, a random positive 8-byte serial, valid from a day
// before the process's first certificate for a year, self-signed, with key identifiers unless told otherwise.
// Extensions appear in the order they were asked for, key identifiers last.
class CertificateBuilder {
public:
    CertificateBuilder();

    CertificateBuilder& subject(Name name);
    // Without a key, the cached 2048-bit key named by the subject is used,
    // so different subjects have different keys.
    CertificateBuilder& key(Key key);
    // The subject's public key (DER SubjectPublicKeyInfo) of a private key
    // kept elsewhere, on a token; it needs an issuer, and the credential's
    // key is then not the certificate's.
    CertificateBuilder& publicKey(Bytes subjectPublicKeyInfo);
    CertificateBuilder& issuedBy(const Credential& issuer);
    // The issuer field as written, instead of the issuer's subject as it is
    // encoded there.
    CertificateBuilder& issuerName(Name name);
    // Big-endian magnitude; DER adds the leading 00 a set high bit needs.
    CertificateBuilder& serial(Bytes magnitude);
    CertificateBuilder& validity(Instant notBefore, Instant notAfter);
    CertificateBuilder& hash(Hash hash);
    // No extensions are allowed in a version 1 certificate.
    CertificateBuilder& version1();

    CertificateBuilder& basicConstraints(BasicConstraints constraints);
    CertificateBuilder& keyUsage(unsigned bits, bool critical = true);
    CertificateBuilder& extendedKeyUsage(std::vector<std::string> oids, bool critical = false);
    CertificateBuilder& policies(std::vector<Policy> policies);
    // Critical, as CAs must mark them.
    CertificateBuilder& policyConstraints(PolicyConstraints constraints);
    CertificateBuilder& policyMappings(std::vector<PolicyMapping> mappings);
    CertificateBuilder& inhibitAnyPolicy(long skipCerts);
    CertificateBuilder& qcStatements(std::vector<QcStatement> statements);
    CertificateBuilder& subjectAltNames(std::vector<GeneralName> names);
    // The same names under the obsolete OID 2.5.29.7.
    CertificateBuilder& obsoleteSubjectAltNames(std::vector<GeneralName> names);
    CertificateBuilder& issuerAltNames(std::vector<GeneralName> names);
    CertificateBuilder& crlDistributionPoints(std::vector<std::string> urls);
    CertificateBuilder& authorityInfoAccess(std::vector<AccessDescription> access);
    CertificateBuilder& authorityExtension(std::string_view text, StringType encoding = StringType::Utf8);
    CertificateBuilder& comment(std::string_view text, StringType encoding = StringType::Ia5);
    CertificateBuilder& extension(Extension raw);
    CertificateBuilder& keyIdentifiers(bool on);

    // A flipped bit in the signature value.
    CertificateBuilder& tamperSignature();

    Credential build() const;

private:
    void addExtension(Extension extension);

    Name m_subject;
    std::optional<Key> m_key;
    Bytes m_publicKey;
    std::optional<Credential> m_issuer;
    std::optional<Name> m_issuerName;
    Bytes m_serial;
    Instant m_notBefore, m_notAfter;
    Hash m_hash = Hash::Sha256;
    bool m_version1 = false;
    bool m_keyIdentifiers = true;
    bool m_tampered = false;
    std::vector<Extension> m_extensions;
};

enum class RevocationReason {
    Unspecified = 0,
    KeyCompromise = 1,
    CaCompromise = 2,
    AffiliationChanged = 3,
    Superseded = 4,
    CessationOfOperation = 5,
    CertificateHold = 6,
    RemoveFromCrl = 8,
    PrivilegeWithdrawn = 9,
    AaCompromise = 10,
};

class Crl {
public:
    const Bytes& der() const noexcept { return m_der; }
    std::string pem() const;

private:
    friend class CrlBuilder;
    explicit Crl(Bytes der) : m_der(std::move(der)) {}
    Bytes m_der;
};

// A version 2 CRL with CRL number 1 and the issuer's key identifier, from
// an hour ago for a week, SHA-256. Entries are revoked at thisUpdate.
class CrlBuilder {
public:
    explicit CrlBuilder(const Credential& issuer);

    CrlBuilder& revoke(Bytes serial, std::optional<RevocationReason> reason = std::nullopt);
    CrlBuilder& thisUpdate(Instant when);
    CrlBuilder& nextUpdate(Instant when);
    CrlBuilder& hash(Hash hash);

    Crl build() const;

private:
    struct Entry {
        Bytes serial;
        std::optional<RevocationReason> reason;
    };
    Credential m_issuer;
    std::vector<Entry> m_entries;
    Instant m_thisUpdate, m_nextUpdate;
    Hash m_hash = Hash::Sha256;
};

struct HierarchyOptions {
    // When set, the CAs point at <base>/root.crl and the users at
    // <base>/qualified-ca.crl or <base>/standard-ca.crl.
    std::string crlBaseUrl;
    // When set, a folder of credentials as Credential::write leaves them:
    // the root is its "root" and the qualified CA its "ca-newer" (the
    // authority's, as the root registration module's test build makes
    // them); the standard CA is made under that root.
    std::filesystem::path authorityFolder;
};

// A root with two intermediate CAs, a qualified one and a commercial one
// whose name holds "Standard", and the users the system tells apart. The
// root is valid for ten years either side of now, the CAs for five, the
// users from a day ago for a year unless their name says otherwise.
struct Hierarchy {
    Credential root;
    Credential qualifiedCa;
    Credential standardCa;
    // nonRepudiation, QcCompliance and QcSSCD, the qualified policy.
    Credential qualified;
    // digitalSignature and keyEncipherment, client and e-mail protection.
    Credential commercial;
    // Critical timeStamping usage, from the qualified CA.
    Credential tsa;
    // Variants of the commercial user (same key) that a chain check refuses
    // or flags: ended yesterday, starts tomorrow, ends after the CA, bad
    // signature.
    Credential expired;
    Credential notYetValid;
    Credential notNested;
    Credential tampered;
    Credential untrustedRoot;
    // A commercial user issued directly by untrustedRoot.
    Credential untrusted;

    static Hierarchy make(const HierarchyOptions& options = {});
};

}  // namespace pki
}  // namespace testkit
