// Encoders of the extensions that are not made of general names.
#include "pki_extensions.h"

#include <stdexcept>

#include "der.h"

namespace testkit::pki::detail {

namespace {

using BasicConstraintsPtr = Owned<BASIC_CONSTRAINTS, BASIC_CONSTRAINTS_free>;
using BitString = Owned<ASN1_BIT_STRING, ASN1_BIT_STRING_free>;
using KeyUsages = Owned<EXTENDED_KEY_USAGE, EXTENDED_KEY_USAGE_free>;
using Policies = Owned<CERTIFICATEPOLICIES, CERTIFICATEPOLICIES_free>;
using OctetString = Owned<ASN1_OCTET_STRING, ASN1_OCTET_STRING_free>;
using AuthorityKeyId = Owned<AUTHORITY_KEYID, AUTHORITY_KEYID_free>;
using PolicyConstraintsPtr = Owned<POLICY_CONSTRAINTS, POLICY_CONSTRAINTS_free>;

void freeMappings(POLICY_MAPPINGS* mappings) {
    sk_POLICY_MAPPING_pop_free(mappings, POLICY_MAPPING_free);
}
using PolicyMappings = Owned<POLICY_MAPPINGS, freeMappings>;

// The DER of a value OpenSSL encodes through its item only.
template <class T>
Bytes itemDer(const ASN1_ITEM* item, T* value) {
    return derOf([item](T* v, unsigned char** out) { return ASN1_item_i2d(reinterpret_cast<ASN1_VALUE*>(v), out, item); },
                 value);
}

OctetString octetString(const Bytes& bytes) {
    OctetString out(require(ASN1_OCTET_STRING_new(), "ASN1_OCTET_STRING_new"));
    require(ASN1_OCTET_STRING_set(out.get(), bytes.data(), static_cast<int>(bytes.size())) == 1,
            "ASN1_OCTET_STRING_set");
    return out;
}

void addQualifier(POLICYINFO* policy, int qualifierNid, POLICYQUALINFO** added) {
    if (!policy->qualifiers) policy->qualifiers = require(sk_POLICYQUALINFO_new_null(), "sk_POLICYQUALINFO_new_null");
    POLICYQUALINFO* qualifier = require(POLICYQUALINFO_new(), "POLICYQUALINFO_new");
    if (!sk_POLICYQUALINFO_push(policy->qualifiers, qualifier)) {
        POLICYQUALINFO_free(qualifier);
        throwOpenssl("sk_POLICYQUALINFO_push");
    }
    qualifier->pqualid = OBJ_nid2obj(qualifierNid);
    *added = qualifier;
}

USERNOTICE* userNotice(const UserNotice& notice) {
    Owned<USERNOTICE, USERNOTICE_free> out(require(USERNOTICE_new(), "USERNOTICE_new"));
    if (!notice.organization.empty() || !notice.numbers.empty()) {
        out->noticeref = require(NOTICEREF_new(), "NOTICEREF_new");
        ASN1_STRING_free(out->noticeref->organization);
        out->noticeref->organization = asn1String(notice.organization, StringType::Utf8).release();
        if (!out->noticeref->noticenos)
            out->noticeref->noticenos = require(sk_ASN1_INTEGER_new_null(), "sk_ASN1_INTEGER_new_null");
        for (const long number : notice.numbers) {
            AsnInteger value(require(ASN1_INTEGER_new(), "ASN1_INTEGER_new"));
            require(ASN1_INTEGER_set(value.get(), number) == 1, "ASN1_INTEGER_set");
            require(sk_ASN1_INTEGER_push(out->noticeref->noticenos, value.get()) > 0, "sk_ASN1_INTEGER_push");
            value.release();
        }
    }
    if (!notice.explicitText.empty()) out->exptext = asn1String(notice.explicitText, StringType::Utf8).release();
    return out.release();
}

ASN1_INTEGER* integer(long value) {
    AsnInteger out(require(ASN1_INTEGER_new(), "ASN1_INTEGER_new"));
    require(ASN1_INTEGER_set(out.get(), value) == 1, "ASN1_INTEGER_set");
    return out.release();
}

}  // namespace

Extension basicConstraintsExtension(const BasicConstraints& constraints) {
    BasicConstraintsPtr value(require(BASIC_CONSTRAINTS_new(), "BASIC_CONSTRAINTS_new"));
    value->ca = constraints.ca ? 0xFF : 0;
    if (constraints.pathLength) {
        value->pathlen = require(ASN1_INTEGER_new(), "ASN1_INTEGER_new");
        require(ASN1_INTEGER_set(value->pathlen, *constraints.pathLength) == 1, "ASN1_INTEGER_set");
    }
    return {"2.5.29.19", constraints.critical, derOf(i2d_BASIC_CONSTRAINTS, value.get())};
}

// Bit n of the BIT STRING is 0x80 >> n of the first byte for n < 8;
// decipherOnly (bit 8) is 0x8000 in the caller's value.
Extension keyUsageExtension(unsigned bits, bool critical) {
    if (bits & ~0x80FFu) throw std::invalid_argument("unknown key-usage bits");
    BitString value(require(ASN1_BIT_STRING_new(), "ASN1_BIT_STRING_new"));
    for (int n = 0; n <= 8; ++n) {
        const unsigned mask = n < 8 ? 0x80u >> n : 0x8000u;
        if (bits & mask) require(ASN1_BIT_STRING_set_bit(value.get(), n, 1) == 1, "ASN1_BIT_STRING_set_bit");
    }
    return {"2.5.29.15", critical, derOf(i2d_ASN1_BIT_STRING, value.get())};
}

Extension extendedKeyUsageExtension(const std::vector<std::string>& oids, bool critical) {
    KeyUsages value(require(sk_ASN1_OBJECT_new_null(), "sk_ASN1_OBJECT_new_null"));
    for (const auto& oid : oids) {
        AsnObject usage = asn1Object(oid);
        require(sk_ASN1_OBJECT_push(value.get(), usage.get()) > 0, "sk_ASN1_OBJECT_push");
        usage.release();
    }
    return {"2.5.29.37", critical, derOf(i2d_EXTENDED_KEY_USAGE, value.get())};
}

Extension policiesExtension(const std::vector<Policy>& policies) {
    Policies value(require(sk_POLICYINFO_new_null(), "sk_POLICYINFO_new_null"));
    for (const auto& policy : policies) {
        POLICYINFO* info = require(POLICYINFO_new(), "POLICYINFO_new");
        if (!sk_POLICYINFO_push(value.get(), info)) {
            POLICYINFO_free(info);
            throwOpenssl("sk_POLICYINFO_push");
        }
        ASN1_OBJECT_free(info->policyid);
        info->policyid = asn1Object(policy.oid).release();
        POLICYQUALINFO* qualifier = nullptr;
        if (!policy.cpsUri.empty()) {
            addQualifier(info, NID_id_qt_cps, &qualifier);
            qualifier->d.cpsuri = asn1String(policy.cpsUri, StringType::Ia5).release();
        }
        if (policy.notice) {
            addQualifier(info, NID_id_qt_unotice, &qualifier);
            qualifier->d.usernotice = userNotice(*policy.notice);
        }
    }
    return {"2.5.29.32", false, derOf(i2d_CERTIFICATEPOLICIES, value.get())};
}

Extension policyConstraintsExtension(const PolicyConstraints& constraints) {
    PolicyConstraintsPtr value(require(POLICY_CONSTRAINTS_new(), "POLICY_CONSTRAINTS_new"));
    if (constraints.requireExplicitPolicy) value->requireExplicitPolicy = integer(*constraints.requireExplicitPolicy);
    if (constraints.inhibitPolicyMapping) value->inhibitPolicyMapping = integer(*constraints.inhibitPolicyMapping);
    return {"2.5.29.36", true, itemDer(ASN1_ITEM_rptr(POLICY_CONSTRAINTS), value.get())};
}

Extension policyMappingsExtension(const std::vector<PolicyMapping>& mappings) {
    PolicyMappings value(require(sk_POLICY_MAPPING_new_null(), "sk_POLICY_MAPPING_new_null"));
    for (const auto& mapping : mappings) {
        POLICY_MAPPING* pair = require(POLICY_MAPPING_new(), "POLICY_MAPPING_new");
        if (!sk_POLICY_MAPPING_push(value.get(), pair)) {
            POLICY_MAPPING_free(pair);
            throwOpenssl("sk_POLICY_MAPPING_push");
        }
        ASN1_OBJECT_free(pair->issuerDomainPolicy);
        pair->issuerDomainPolicy = asn1Object(mapping.issuerDomainPolicy).release();
        ASN1_OBJECT_free(pair->subjectDomainPolicy);
        pair->subjectDomainPolicy = asn1Object(mapping.subjectDomainPolicy).release();
    }
    return {"2.5.29.33", true, itemDer(ASN1_ITEM_rptr(POLICY_MAPPINGS), value.get())};
}

Extension inhibitAnyPolicyExtension(long skipCerts) {
    const AsnInteger value(integer(skipCerts));
    return {"2.5.29.54", true, derOf(i2d_ASN1_INTEGER, value.get())};
}

Extension qcStatementsExtension(const std::vector<QcStatement>& statements) {
    Bytes content;
    for (const auto& statement : statements) {
        const AsnObject id = asn1Object(statement.oid);
        Bytes body = derOf(i2d_ASN1_OBJECT, id.get());
        body.insert(body.end(), statement.info.begin(), statement.info.end());
        const Bytes encoded = der::tlv(der::kSequence, body);
        content.insert(content.end(), encoded.begin(), encoded.end());
    }
    return {"1.3.6.1.5.5.7.1.3", false, der::tlv(der::kSequence, content)};
}

Extension stringExtension(std::string_view oid, std::string_view text, StringType encoding) {
    const AsnString value = asn1String(text, encoding);
    // ASN1_PRINTABLE is the CHOICE of string types: each keeps its own tag.
    return {std::string(oid), false, derOf(i2d_ASN1_PRINTABLE, value.get())};
}

Extension subjectKeyIdExtension(const Bytes& keyId) {
    return {"2.5.29.14", false, derOf(i2d_ASN1_OCTET_STRING, octetString(keyId).get())};
}

Extension authorityKeyIdExtension(const Bytes& keyId) {
    AuthorityKeyId value(require(AUTHORITY_KEYID_new(), "AUTHORITY_KEYID_new"));
    value->keyid = octetString(keyId).release();
    return {"2.5.29.35", false, derOf(i2d_AUTHORITY_KEYID, value.get())};
}

}  // namespace testkit::pki::detail
