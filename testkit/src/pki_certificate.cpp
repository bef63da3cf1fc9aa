// Certificates: the builder that signs them and what a made one tells.
#include <openssl/bn.h>
#include <openssl/rand.h>

#include <stdexcept>
#include <utility>

#include "pki_extensions.h"

namespace testkit::pki {

using namespace detail;

namespace {

using namespace std::chrono_literals;

// Positive and always eight bytes long: the top bit clear, the next set.
Bytes randomSerial() {
    Bytes serial(8);
    require(RAND_bytes(serial.data(), static_cast<int>(serial.size())) == 1, "RAND_bytes");
    serial[0] = static_cast<std::uint8_t>((serial[0] & 0x7F) | 0x40);
    return serial;
}

std::string keyNameOf(const Name& subject) {
    std::string name = "subject";
    for (const auto& rdn : subject.rdns())
        for (const auto& attribute : rdn) name += " " + attribute.type + "=" + attribute.value;
    return name;
}

}  // namespace

std::string Certificate::pem() const { return pemOf("CERTIFICATE", m_der); }

Bytes Certificate::serial() const {
    const Cert certificate = toOpenssl(*this);
    Owned<BIGNUM, BN_free> value(
        require(ASN1_INTEGER_to_BN(X509_get0_serialNumber(certificate.get()), nullptr), "ASN1_INTEGER_to_BN"));
    Bytes magnitude(static_cast<std::size_t>(BN_num_bytes(value.get())));
    BN_bn2bin(value.get(), magnitude.data());
    return magnitude;
}

namespace {
// The default validity is the same for every certificate of the process,
// so that one issued by another, seconds later, still nests within it.
Instant defaultValidityBase() {
    static const Instant base = fromNow(0s);
    return base;
}
}  // namespace

CertificateBuilder::CertificateBuilder()
    : m_serial(randomSerial()), m_notBefore(defaultValidityBase() - 24h), m_notAfter(defaultValidityBase() + 24h * 365) {}

CertificateBuilder& CertificateBuilder::subject(Name name) {
    m_subject = std::move(name);
    return *this;
}

CertificateBuilder& CertificateBuilder::key(Key key) {
    m_key = std::move(key);
    return *this;
}

CertificateBuilder& CertificateBuilder::issuedBy(const Credential& issuer) {
    m_issuer = issuer;
    return *this;
}

CertificateBuilder& CertificateBuilder::issuerName(Name name) {
    m_issuerName = std::move(name);
    return *this;
}

CertificateBuilder& CertificateBuilder::serial(Bytes magnitude) {
    m_serial = std::move(magnitude);
    return *this;
}

CertificateBuilder& CertificateBuilder::validity(Instant notBefore, Instant notAfter) {
    m_notBefore = notBefore;
    m_notAfter = notAfter;
    return *this;
}

CertificateBuilder& CertificateBuilder::hash(Hash hash) {
    m_hash = hash;
    return *this;
}

CertificateBuilder& CertificateBuilder::version1() {
    m_version1 = true;
    return *this;
}

CertificateBuilder& CertificateBuilder::basicConstraints(BasicConstraints constraints) {
    addExtension(basicConstraintsExtension(constraints));
    return *this;
}

CertificateBuilder& CertificateBuilder::keyUsage(unsigned bits, bool critical) {
    addExtension(keyUsageExtension(bits, critical));
    return *this;
}

CertificateBuilder& CertificateBuilder::extendedKeyUsage(std::vector<std::string> oids, bool critical) {
    addExtension(extendedKeyUsageExtension(oids, critical));
    return *this;
}

CertificateBuilder& CertificateBuilder::policies(std::vector<Policy> policies) {
    addExtension(policiesExtension(policies));
    return *this;
}

CertificateBuilder& CertificateBuilder::policyConstraints(PolicyConstraints constraints) {
    addExtension(policyConstraintsExtension(constraints));
    return *this;
}

CertificateBuilder& CertificateBuilder::policyMappings(std::vector<PolicyMapping> mappings) {
    addExtension(policyMappingsExtension(mappings));
    return *this;
}

CertificateBuilder& CertificateBuilder::inhibitAnyPolicy(long skipCerts) {
    addExtension(inhibitAnyPolicyExtension(skipCerts));
    return *this;
}

CertificateBuilder& CertificateBuilder::qcStatements(std::vector<QcStatement> statements) {
    addExtension(qcStatementsExtension(statements));
    return *this;
}

CertificateBuilder& CertificateBuilder::subjectAltNames(std::vector<GeneralName> names) {
    addExtension(altNamesExtension("2.5.29.17", names));
    return *this;
}

CertificateBuilder& CertificateBuilder::obsoleteSubjectAltNames(std::vector<GeneralName> names) {
    addExtension(altNamesExtension("2.5.29.7", names));
    return *this;
}

CertificateBuilder& CertificateBuilder::issuerAltNames(std::vector<GeneralName> names) {
    addExtension(altNamesExtension("2.5.29.18", names));
    return *this;
}

CertificateBuilder& CertificateBuilder::crlDistributionPoints(std::vector<std::string> urls) {
    addExtension(crlDistributionPointsExtension(urls));
    return *this;
}

CertificateBuilder& CertificateBuilder::authorityInfoAccess(std::vector<AccessDescription> access) {
    addExtension(authorityInfoAccessExtension(access));
    return *this;
}

CertificateBuilder& CertificateBuilder::authorityExtension(std::string_view text, StringType encoding) {
    addExtension(detail::stringExtension(kAuthorityExtension, text, encoding));
    return *this;
}

CertificateBuilder& CertificateBuilder::comment(std::string_view text, StringType encoding) {
    addExtension(detail::stringExtension(kNetscapeComment, text, encoding));
    return *this;
}

CertificateBuilder& CertificateBuilder::extension(Extension raw) {
    addExtension(std::move(raw));
    return *this;
}

CertificateBuilder& CertificateBuilder::keyIdentifiers(bool on) {
    m_keyIdentifiers = on;
    return *this;
}

CertificateBuilder& CertificateBuilder::publicKey(Bytes subjectPublicKeyInfo) {
    m_publicKey = std::move(subjectPublicKeyInfo);
    return *this;
}

CertificateBuilder& CertificateBuilder::tamperSignature() {
    m_tampered = true;
    return *this;
}

void CertificateBuilder::addExtension(Extension extension) { m_extensions.push_back(std::move(extension)); }

Credential CertificateBuilder::build() const {
    if (m_version1 && !m_extensions.empty()) throw std::logic_error("a version 1 certificate has no extensions");
    const Key key = m_key ? *m_key : Key::rsa(2048, keyNameOf(m_subject));
    if (!m_publicKey.empty() && !m_issuer) throw std::logic_error("a certificate of a public key needs an issuer");
    const PKey subjectKey = m_publicKey.empty() ? toOpenssl(key) : publicKeyOf(m_publicKey);
    const PKey issuerKey = m_issuer ? toOpenssl(m_issuer->key) : PKey();
    const Cert issuer = m_issuer ? toOpenssl(m_issuer->certificate) : Cert();
    const X509Name subject = toOpenssl(m_subject);
    const X509Name writtenIssuer = m_issuerName ? toOpenssl(*m_issuerName) : X509Name();

    Cert certificate(require(X509_new(), "X509_new"));
    X509* x = certificate.get();
    require(X509_set_version(x, m_version1 ? X509_VERSION_1 : X509_VERSION_3) == 1, "X509_set_version");
    require(X509_set_serialNumber(x, asn1Integer(m_serial).get()) == 1, "X509_set_serialNumber");
    require(X509_set_subject_name(x, subject.get()) == 1, "X509_set_subject_name");
    const X509_NAME* issuerName = writtenIssuer ? writtenIssuer.get()
                                  : issuer      ? X509_get_subject_name(issuer.get())
                                                : subject.get();
    require(X509_set_issuer_name(x, issuerName) == 1, "X509_set_issuer_name");
    require(X509_set1_notBefore(x, asn1Time(m_notBefore).get()) == 1, "X509_set1_notBefore");
    require(X509_set1_notAfter(x, asn1Time(m_notAfter).get()) == 1, "X509_set1_notAfter");
    require(X509_set_pubkey(x, subjectKey.get()) == 1, "X509_set_pubkey");

    auto extensions = m_extensions;
    if (!m_version1 && m_keyIdentifiers) {
        const Bytes ownId = publicKeyId(x);
        extensions.push_back(subjectKeyIdExtension(ownId));
        extensions.push_back(authorityKeyIdExtension(issuer ? keyIdOf(issuer.get()) : ownId));
    }
    for (const auto& extension : extensions)
        require(X509_add_ext(x, toOpenssl(extension).get(), -1) == 1, "X509_add_ext");

    require(X509_sign(x, issuer ? issuerKey.get() : subjectKey.get(), digestOf(m_hash)) > 0, "X509_sign");
    Bytes der = derOf(i2d_X509, x);
    // The signature value is the last field of the certificate.
    if (m_tampered) der.back() ^= 0x01;

    std::vector<Certificate> chain;
    if (m_issuer) {
        chain.push_back(m_issuer->certificate);
        chain.insert(chain.end(), m_issuer->chain.begin(), m_issuer->chain.end());
    }
    return {Certificate(std::move(der)), key, std::move(chain)};
}

}  // namespace testkit::pki
