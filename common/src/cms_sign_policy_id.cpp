// cms_sign_policy_id.cpp: the SignaturePolicyId attribute (RFC 5126 5.8.1)
// of a decoded policy: its identifier, its hash, and two qualifiers, the
// SPUserNotice naming the policy's issuer and field of application, and
// the SPuri of the issuer's second name.
#include "cms_sign_parts.h"
#include "common/codepage.h"
#include "common/names.h"
#include "pkcs7_query.h"

namespace cms_sign {

namespace {

using Kind = TCryptAttrEncoder::Kind;

// id-spq-ets-unotice and id-spq-ets-uri, written as they stand.
const Bytes kUserNoticeQualifierOid{0x06, 0x0B, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x10, 0x05, 0x02};
const Bytes kUriQualifierOid{0x06, 0x0B, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x10, 0x05, 0x01};

// SigPolicyHash ::= SEQUENCE { AlgorithmIdentifier, OCTET STRING }: the
// hash the policy holds, else the one computed over it.
bool EncodePolicyHash(const SignPolicyInfo& policy, Bytes& out) {
    Bytes hash = policy.storedHash.empty() ? policy.computedHash : policy.storedHash;
    if (hash.empty()) return false;
    CRYPT_ALGORITHM_IDENTIFIER algorithm{const_cast<LPSTR>(policy.hashAlgOid.c_str()), {}};
    const CRYPT_DATA_BLOB blob{static_cast<DWORD>(hash.size()), hash.data()};
    Bytes algorithmDer, hashDer;
    return Encode(X509_ALGORITHM_IDENTIFIER, &algorithm, algorithmDer) && Encode(X509_OCTET_STRING, &blob, hashDer) &&
           EncodeSequence({algorithmDer, hashDer}, out);
}

// SEQUENCE { id-spq-ets-unotice, SPUserNotice { NoticeReference {
// organization UTF8String, noticeNumbers { 1 } }, explicitText } }.
bool EncodeUserNotice(const SignPolicyInfo& policy, Bytes& out) {
    const std::string organization = RdnListToDnText(policy.issuerNameAttrs);
    if (organization.empty() || policy.fieldOfApplicationDer.empty()) return false;
    std::u16string wide = MultiByteToWide(organization, CP_ACP);
    const CERT_NAME_VALUE name{
        CERT_RDN_UTF8_STRING,
        {static_cast<DWORD>(wide.size() * sizeof(char16_t)), reinterpret_cast<BYTE*>(wide.data())}};
    const int number = 1;
    Bytes organizationDer, numberDer, numbers, reference, notice;
    return Encode(X509_UNICODE_ANY_STRING, &name, organizationDer) && Encode(X509_INTEGER, &number, numberDer) &&
           EncodeSequence({numberDer}, numbers) && EncodeSequence({organizationDer, numbers}, reference) &&
           EncodeSequence({reference, policy.fieldOfApplicationDer}, notice) &&
           EncodeSequence({kUserNoticeQualifierOid, notice}, out);
}

// SEQUENCE { id-spq-ets-uri, IA5String }.
bool EncodeUri(const SignPolicyInfo& policy, Bytes& out) {
    if (policy.issuerSecondName.empty()) return false;
    std::string uri = policy.issuerSecondName;
    const CERT_NAME_VALUE value{CERT_RDN_IA5_STRING,
                                {static_cast<DWORD>(uri.size()), reinterpret_cast<BYTE*>(uri.data())}};
    Bytes uriDer;
    return Encode(X509_ANY_STRING, &value, uriDer) && EncodeSequence({kUriQualifierOid, uriDer}, out);
}

}  // namespace

bool AddSignaturePolicyId(const SignPolicyInfo& policy, TCryptAttrEncoder& encoder) {
    Bytes hash, notice, uri, qualifiers;
    if (policy.policyOidDer.empty() || !EncodePolicyHash(policy, hash) || !EncodeUserNotice(policy, notice) ||
        !EncodeUri(policy, uri) || !EncodeSequence({notice, uri}, qualifiers))
        return false;
    const SequenceOfAny value({policy.policyOidDer, hash, qualifiers});
    return encoder.Add(Kind::Signed, pkcs7::kSignPolicyIdOid, X509_SEQUENCE_OF_ANY, value.get());
}

}  // namespace cms_sign
