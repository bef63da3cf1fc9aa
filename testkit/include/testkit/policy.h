// Signature policies (RFC 3125) as DER files for tests: built from the
// values a test chooses (SignaturePolicy), or made by `openssl asn1parse
// -genconf` from a source with lines replaced. Either way signPolicyHash is
// the digest, with signPolicyHashAlg, of the TLVs of signPolicyHashAlg and
// signPolicyInfo.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "testkit/pki.h"

namespace testkit::policy {

inline constexpr const char* kContentType = "1.2.840.113549.1.9.3";
inline constexpr const char* kMessageDigest = "1.2.840.113549.1.9.4";
inline constexpr const char* kSigningTime = "1.2.840.113549.1.9.5";
inline constexpr const char* kSigningCertificateV2 = "1.2.840.113549.1.9.16.2.47";
inline constexpr const char* kSignaturePolicyId = "1.2.840.113549.1.9.16.2.15";
inline constexpr const char* kTimeStampToken = "1.2.840.113549.1.9.16.2.14";

// An algorithm allowed, with the least key length in bits (0: not stated).
struct AlgorithmAndLength {
    std::string oid;
    unsigned minKeyLength = 0;
};

// Each list is left out of the policy when empty; the whole set when all are.
// The signer list names the digests signatures may use, as an authority's
// policy does: SHA-256, SHA-384 and SHA-512 unless a test says otherwise.
struct AlgorithmConstraints {
    std::vector<AlgorithmAndLength> signer = {
        {"2.16.840.1.101.3.4.2.1"}, {"2.16.840.1.101.3.4.2.2"}, {"2.16.840.1.101.3.4.2.3"}};
    std::vector<AlgorithmAndLength> endEntity;
    std::vector<AlgorithmAndLength> ca;
    std::vector<AlgorithmAndLength> timestampAuthority;
};

// A policy issued by the directory name CN=<issuer> (and the URI, when
// given, as its second name), with one commitment
// rule of the empty choice and no revocation checks. The signer rules
// always travel; a trust condition only with its trust points.
struct SignaturePolicy {
    std::string oid = "1.3.6.1.4.1.32473.10.1.3";
    pki::Hash hash = pki::Hash::Sha256;
    pki::Instant issued = pki::utc("2024-01-15");
    pki::Instant notBefore = pki::utc("2024-02-01");
    std::optional<pki::Instant> notAfter;  // unset: no end
    std::string issuer = "Tesk Policy Office";
    std::string issuerUri;  // empty: the directory name only
    std::string fieldOfApplication = "Test signatures";
    std::vector<std::string> mandatedSignedAttrs = {kContentType, kMessageDigest};
    std::vector<std::string> mandatedUnsignedAttrs;
    std::vector<pki::Certificate> signerTrust;  // roots of the signing certificates
    std::vector<pki::Certificate> tsaTrust;     // roots of the TSA certificates
    AlgorithmConstraints algorithms;
};

Bytes encode(const SignaturePolicy& policy);

// The signPolicyHash a DER SignaturePolicy should carry; empty when the
// bytes have no signPolicyHash or name a hash algorithm OpenSSL lacks.
Bytes policyHash(const Bytes& der);

// One line of a genconf source and the text it becomes.
struct Edit {
    std::string line;
    std::string replacement;
};

// `openssl asn1parse -genconf` over the source with the edits made, run in
// the source's folder (for its .include lines) with POLICY_HASH (the
// environment) set to the hex of policyHash(); scratch holds the files of
// the run. Throws std::invalid_argument for an edit whose line the source
// lacks, std::runtime_error when openssl refuses the source.
Bytes fromGenconf(const std::filesystem::path& source, const std::vector<Edit>& edits,
                  const std::filesystem::path& scratch);
// The same for a source text whose includes are in `folder`.
Bytes fromGenconfText(const std::string& text, const std::filesystem::path& folder,
                      const std::filesystem::path& scratch);

}  // namespace testkit::policy
