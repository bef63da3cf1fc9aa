// The ready-made hierarchy: a root, the qualified and the standard CA, and
// the users tests keep needing; the root and the qualified CA may be an
// authority's, read from its folder. Keys are the cached ones named by role; the
// commercial user's variants share its key, which keeps the number of keys
// a test process generates small.
#include <utility>

#include "testkit/pki.h"

namespace testkit::pki {

namespace {

using namespace std::chrono_literals;
constexpr auto kYear = 24h * 365;

Name nameOf(std::string commonName) {
    return {{"C", "SK", StringType::Printable}, {"O", "Tesk", StringType::Utf8}, {"CN", std::move(commonName)}};
}

std::vector<std::string> crlUrl(const HierarchyOptions& options, std::string_view file) {
    if (options.crlBaseUrl.empty()) return {};
    return {options.crlBaseUrl + "/" + std::string(file)};
}

Credential selfSignedCa(std::string commonName, std::string_view keyName) {
    return CertificateBuilder()
        .subject(nameOf(std::move(commonName)))
        .key(Key::rsa(2048, keyName))
        .validity(fromNow(-10 * kYear), fromNow(10 * kYear))
        .basicConstraints({.ca = true})
        .keyUsage(kKeyCertSign | kCrlSign)
        .build();
}

CertificateBuilder issuedBuilder(const Credential& issuer, std::string commonName, std::string_view keyName,
                                 const std::vector<std::string>& crlUrls) {
    CertificateBuilder builder;
    builder.subject(nameOf(std::move(commonName))).key(Key::rsa(2048, keyName)).issuedBy(issuer);
    if (!crlUrls.empty()) builder.crlDistributionPoints(crlUrls);
    return builder;
}

Credential intermediate(const Credential& root, std::string commonName, std::string_view keyName,
                        const HierarchyOptions& options) {
    return issuedBuilder(root, std::move(commonName), keyName, crlUrl(options, "root.crl"))
        .validity(fromNow(-5 * kYear), fromNow(5 * kYear))
        .basicConstraints({.ca = true, .pathLength = 0})
        .keyUsage(kKeyCertSign | kCrlSign)
        .build();
}

// A user with an e-mail alternative name, from a day ago for a year.
CertificateBuilder userBuilder(const Credential& issuer, std::string commonName, std::string_view keyName,
                               const std::vector<std::string>& crlUrls) {
    CertificateBuilder builder = issuedBuilder(issuer, std::move(commonName), keyName, crlUrls);
    builder.subjectAltNames({GeneralName::rfc822(std::string(keyName) + "@tesk.example")});
    return builder;
}

CertificateBuilder commercialBuilder(const Credential& issuer, std::string commonName, std::string_view keyName,
                                     const std::vector<std::string>& crlUrls) {
    CertificateBuilder builder = userBuilder(issuer, std::move(commonName), keyName, crlUrls);
    builder.keyUsage(kDigitalSignature | kKeyEncipherment)
        .extendedKeyUsage({std::string(kClientAuth), std::string(kEmailProtection)});
    return builder;
}

}  // namespace

Hierarchy Hierarchy::make(const HierarchyOptions& options) {
    const bool authority = !options.authorityFolder.empty();
    const Credential root = authority ? Credential::read(options.authorityFolder, "root")
                                      : selfSignedCa("Tesk Root CA", "root");
    const Credential qualifiedCa = authority ? Credential::read(options.authorityFolder, "ca-newer")
                                             : intermediate(root, "Tesk Qualified CA", "qualified-ca", options);
    const Credential standardCa = intermediate(root, "Tesk Standard CA", "standard-ca", options);
    const Credential untrustedRoot = selfSignedCa("Tesk Untrusted Root CA", "untrusted-root");
    const auto qualifiedUrls = crlUrl(options, "qualified-ca.crl");
    const auto standardUrls = crlUrl(options, "standard-ca.crl");
    return {
        .root = root,
        .qualifiedCa = qualifiedCa,
        .standardCa = standardCa,
        .qualified = userBuilder(qualifiedCa, "Tesk Qualified User", "qualified", qualifiedUrls)
                         .keyUsage(kNonRepudiation)
                         .policies({{std::string(kQualifiedPolicy)}})
                         .qcStatements({{std::string(kQcCompliance)}, {std::string(kQcSscd)}})
                         .build(),
        .commercial = commercialBuilder(standardCa, "Tesk Commercial User", "commercial", standardUrls).build(),
        .tsa = userBuilder(qualifiedCa, "Tesk Time Stamping", "tsa", qualifiedUrls)
                   .keyUsage(kDigitalSignature | kNonRepudiation)
                   .extendedKeyUsage({std::string(kTimeStamping)}, true)
                   .build(),
        .expired = commercialBuilder(standardCa, "Tesk Expired User", "commercial", standardUrls)
                       .validity(fromNow(-kYear), fromNow(-24h))
                       .build(),
        .notYetValid = commercialBuilder(standardCa, "Tesk Not Yet Valid User", "commercial", standardUrls)
                           .validity(fromNow(24h), fromNow(kYear))
                           .build(),
        .notNested = commercialBuilder(standardCa, "Tesk Not Nested User", "commercial", standardUrls)
                         .validity(fromNow(-24h), fromNow(6 * kYear))
                         .build(),
        .tampered = commercialBuilder(standardCa, "Tesk Tampered User", "commercial", standardUrls)
                        .tamperSignature()
                        .build(),
        .untrustedRoot = untrustedRoot,
        .untrusted = commercialBuilder(untrustedRoot, "Tesk Untrusted User", "untrusted", {}).build(),
    };
}

}  // namespace testkit::pki
