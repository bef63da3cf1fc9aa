// pkcs7_signer.cpp: what the PKCS#7 reader tells about one signer: its
// algorithms, signing time, signature and attribute values.
#include <cstring>

#include "common/pkcs7.h"
#include "pkcs7_query.h"
#include "win32/error.h"

using namespace pkcs7;

namespace {

// The OID text, or 505 for a record without one.
DWORD OidOf(const CRYPT_ALGORITHM_IDENTIFIER& algorithm, std::string& out) {
    if (!algorithm.pszObjId) return kErrQuery;
    out = algorithm.pszObjId;
    return 0;
}

}  // namespace

DWORD TPkcs7::GetSignerHashAlgOid(DWORD n, std::string& oid) const {
    return Guarded([&]() -> DWORD {
        if (!m_message) return kErrCannotOpen;
        RecordBuffer record;
        if (!QueryRecord(m_message, CMSG_SIGNER_HASH_ALGORITHM_PARAM, n, record)) return kErrQuery;
        return OidOf(record.as<CRYPT_ALGORITHM_IDENTIFIER>(), oid);
    });
}

DWORD TPkcs7::GetSignerSignAlgOid(DWORD n, std::string& oid) const {
    return Guarded([&]() -> DWORD {
        if (!m_message) return kErrCannotOpen;
        RecordBuffer record;
        if (!QueryRecord(m_message, CMSG_SIGNER_INFO_PARAM, n, record)) return kErrQuery;
        return OidOf(record.as<CMSG_SIGNER_INFO>().HashEncryptionAlgorithm, oid);
    });
}

DWORD TPkcs7::GetSignerSigningTime(DWORD n, FILETIME& time) const {
    return Guarded([&]() -> DWORD {
        if (const DWORD result = CheckSigner(n)) return result;
        RecordBuffer record;
        if (!QueryRecord(m_message, CMSG_SIGNER_AUTH_ATTR_PARAM, n, record)) return kErrQuery;
        const auto& attributes = record.as<CRYPT_ATTRIBUTES>();
        DWORD result = kErrQuery;
        for (DWORD i = 0; i < attributes.cAttr; ++i) {
            const CRYPT_ATTRIBUTE& attribute = attributes.rgAttr[i];
            if (std::strcmp(attribute.pszObjId, kSigningTimeOid) != 0 || attribute.cValue == 0) continue;
            FILETIME decoded{};
            DWORD size = sizeof decoded;
            const CRYPT_ATTR_BLOB& value = attribute.rgValue[0];
            if (!CryptDecodeObject(kCertEncoding, PKCS_UTC_TIME, value.pbData, value.cbData, 0, &decoded, &size))
                continue;
            time = decoded;
            result = 0;
        }
        return result;
    });
}

DWORD TPkcs7::GetSignerSignature(DWORD n, std::vector<BYTE>& signature) const {
    return Guarded([&]() -> DWORD {
        if (const DWORD result = CheckSigner(n)) return result;
        return QueryBytes(m_message, CMSG_ENCRYPTED_DIGEST, n, signature) ? 0 : kErrQuery;
    });
}

// Other parameters would make the record read as attributes something that
// is not, so only the two attribute lists are asked for.
DWORD TPkcs7::GetSignerAttributeValues(DWORD n, DWORD param, const std::string& oid,
                                       std::vector<std::vector<BYTE>>& values) const {
    return Guarded([&]() -> DWORD {
        values.clear();
        if (const DWORD result = CheckSigner(n)) return result;
        if (param != CMSG_SIGNER_AUTH_ATTR_PARAM && param != CMSG_SIGNER_UNAUTH_ATTR_PARAM) return kErrQuery;
        RecordBuffer record;
        if (!QueryRecord(m_message, param, n, record))
            return GetLastError() == static_cast<DWORD>(CRYPT_E_ATTRIBUTES_MISSING) ? kErrAttributeNotFound : kErrQuery;
        const auto& attributes = record.as<CRYPT_ATTRIBUTES>();
        for (DWORD i = 0; i < attributes.cAttr; ++i) {
            const CRYPT_ATTRIBUTE& attribute = attributes.rgAttr[i];
            if (oid != attribute.pszObjId || attribute.cValue == 0) continue;
            const CRYPT_ATTR_BLOB& value = attribute.rgValue[0];
            values.emplace_back(value.pbData, value.pbData + value.cbData);
        }
        return values.empty() ? kErrAttributeNotFound : 0;
    });
}

DWORD TPkcs7::GetSignerTimeStampToken(DWORD n, std::vector<BYTE>& token) const {
    return Guarded([&]() -> DWORD {
        std::vector<std::vector<BYTE>> values;
        const DWORD result = GetSignerAttributeValues(n, CMSG_SIGNER_UNAUTH_ATTR_PARAM, kTimeStampTokenOid, values);
        if (result == kErrAttributeNotFound) return kErrTimestampNotFound;
        if (result) return result;
        token = std::move(values.front());
        return 0;
    });
}
