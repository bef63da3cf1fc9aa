// pkcs7_policy.cpp: a signer's signature-policy identifier (RFC 3126 5.8.1),
// read with the element readers of the signature-policy decoder.
#include <cstring>

#include "common/pkcs7.h"
#include "pkcs7_query.h"
#include "sign_policy_asn1.h"
#include "win32/error.h"

using namespace pkcs7;

namespace {

// SignaturePolicyIdentifier ::= CHOICE { SignaturePolicyId, SignaturePolicyImplied NULL }.
// Only a well-formed NULL counts as the implied policy: anything else that
// starts with its tag is no policy identifier.
bool ReadPolicyIdentifier(const std::vector<BYTE>& value, SignPolicyId& id) {
    if (!value.empty() && value[0] == 0x05) return value.size() == 2 && value[1] == 0x00;
    sign_policy::Elements parts;
    const TSignPolicyDecoder decoder;
    if (!sign_policy::ReadSequence(value, 2, parts) || !decoder.DecodePolicyOid(parts[0], id) ||
        !decoder.DecodePolicyHash(parts[1], id))
        return false;
    return parts.size() < 3 || decoder.DecodePolicyQualifiers(parts[2], id);
}

}  // namespace

DWORD TPkcs7::GetSignerPolicyId(DWORD n, SignPolicyId& id) const {
    return Guarded([&]() -> DWORD {
        if (const DWORD result = CheckSigner(n)) return result;
        RecordBuffer record;
        if (!QueryRecord(m_message, CMSG_SIGNER_AUTH_ATTR_PARAM, n, record))
            return GetLastError() == static_cast<DWORD>(CRYPT_E_ATTRIBUTES_MISSING) ? kErrNoSignPolicy : kErrQuery;
        const auto& attributes = record.as<CRYPT_ATTRIBUTES>();
        for (DWORD i = 0; i < attributes.cAttr; ++i) {
            const CRYPT_ATTRIBUTE& attribute = attributes.rgAttr[i];
            if (std::strcmp(attribute.pszObjId, kSignPolicyIdOid) != 0 || attribute.cValue == 0) continue;
            const CRYPT_ATTR_BLOB& first = attribute.rgValue[0];
            std::vector<BYTE> value(first.pbData, first.pbData + first.cbData);
            SignPolicyId read;
            if (!ReadPolicyIdentifier(value, read)) return kErrNoSignPolicy;
            read.attributeValue = std::move(value);
            id = std::move(read);
            return 0;
        }
        return kErrNoSignPolicy;
    });
}
