// Encoders of the certificate and CRL extensions the PKI maker offers, each
// giving the finished extension (OID, criticality, DER value).
#pragma once

#include "pki_openssl.h"

namespace testkit::pki::detail {

Extension basicConstraintsExtension(const BasicConstraints& constraints);
Extension keyUsageExtension(unsigned bits, bool critical);
Extension extendedKeyUsageExtension(const std::vector<std::string>& oids, bool critical);
Extension policiesExtension(const std::vector<Policy>& policies);
Extension policyConstraintsExtension(const PolicyConstraints& constraints);
Extension policyMappingsExtension(const std::vector<PolicyMapping>& mappings);
Extension inhibitAnyPolicyExtension(long skipCerts);
Extension qcStatementsExtension(const std::vector<QcStatement>& statements);
// An extension whose value is one string (the authority's own, the comment).
Extension stringExtension(std::string_view oid, std::string_view text, StringType encoding);
Extension subjectKeyIdExtension(const Bytes& keyId);
Extension authorityKeyIdExtension(const Bytes& keyId);

// In pki_general_names.cpp: the extensions made of general names.
Extension altNamesExtension(std::string_view oid, const std::vector<GeneralName>& names);
Extension crlDistributionPointsExtension(const std::vector<std::string>& urls);
Extension authorityInfoAccessExtension(const std::vector<AccessDescription>& access);

}  // namespace testkit::pki::detail
