#include "msg/signer_encoder.h"

#include <algorithm>

#include "encode/parts.h"
#include "win32/crypt_provider.h"

namespace platform::crypt::msg {

namespace {

const CMSG_SIGNER_ENCODE_INFO& checked(const CMSG_SIGNER_ENCODE_INFO& info) {
    if (info.cbSize != sizeof info) throw WinError(E_INVALIDARG, "CMSG_SIGNER_ENCODE_INFO size");
    if (!info.pCertInfo) throw WinError(E_INVALIDARG, "no signer certificate");
    if (!info.HashAlgorithm.pszObjId) throw WinError(E_INVALIDARG, "no hash algorithm");
    return info;
}

Bytes issuerAndSerial(const CERT_INFO& certificate) {
    return der::wrap(der::kSequence,
                     {parts::nameBlob(certificate.Issuer), parts::integerLittleEndian(certificate.SerialNumber)});
}

// CryptoAPI names the key's algorithm (rsaEncryption) as the signature
// algorithm, with NULL parameters.
Bytes signatureAlgorithmOf(const CERT_INFO& certificate) {
    const LPSTR keyOid = certificate.SubjectPublicKeyInfo.Algorithm.pszObjId;
    CRYPT_ALGORITHM_IDENTIFIER algorithm{keyOid ? keyOid : const_cast<LPSTR>(szOID_RSA_RSA), {}};
    return parts::algorithm(algorithm);
}

Bytes singleValueAttribute(const char* oid, const Bytes& value) {
    return der::wrap(der::kSequence, {der::oid(oid), der::wrap(der::kSet, {value})});
}

}  // namespace

SignerEncoder::SignerEncoder(const CMSG_SIGNER_ENCODE_INFO& info)
    : m_provider(checked(info).hCryptProv),
      m_keySpec(info.dwKeySpec),
      m_algorithm(digestAlgorithmId(info.HashAlgorithm.pszObjId)),
      m_issuerAndSerial(issuerAndSerial(*info.pCertInfo)),
      m_digestAlgorithm(parts::algorithm(info.HashAlgorithm)),
      m_signatureAlgorithm(signatureAlgorithmOf(*info.pCertInfo)),
      m_contentHash(info.hCryptProv, m_algorithm) {
    for (const CRYPT_ATTRIBUTE& a : items(info.rgAuthAttr, info.cAuthAttr)) m_authAttributes.push_back(parts::attribute(a));
    if (info.cUnauthAttr)
        m_unauthAttributes = parts::attributes(items(info.rgUnauthAttr, info.cUnauthAttr), der::contextConstructed(1));
}

// The caller's attributes with contentType (data) and messageDigest, as the
// SET OF that is hashed and signed.
Bytes SignerEncoder::signedAttributes() {
    if (!m_digest) m_digest = m_contentHash.value();
    std::vector<Bytes> attributes = m_authAttributes;
    attributes.push_back(singleValueAttribute(szOID_RSA_contentType, der::oid(szOID_RSA_data)));
    attributes.push_back(singleValueAttribute(szOID_RSA_messageDigest, der::octetString(*m_digest)));
    return der::setOf(std::move(attributes));
}

Bytes SignerEncoder::signatureWith(const HashHandle& hash, bool placeholder) const {
    DWORD size = 0;
    if (!CryptSignHashW(hash.get(), m_keySpec, nullptr, 0, nullptr, &size)) throwLastError("CryptSignHash");
    Bytes signature(size);
    if (placeholder) return signature;
    if (!CryptSignHashW(hash.get(), m_keySpec, nullptr, 0, signature.data(), &size)) throwLastError("CryptSignHash");
    signature.resize(size);
    std::reverse(signature.begin(), signature.end());
    return signature;
}

Bytes SignerEncoder::encode(bool placeholderSignature) {
    Bytes attributes;
    Bytes signature;
    if (m_authAttributes.empty()) {
        signature = signatureWith(m_contentHash, placeholderSignature);
    } else {
        attributes = signedAttributes();
        HashHandle hash(m_provider, m_algorithm);
        hash.update(attributes);
        signature = signatureWith(hash, placeholderSignature);
        attributes[0] = der::contextConstructed(0);  // [0] IMPLICIT in the SignerInfo
    }
    return der::wrap(der::kSequence, {der::integer(CMSG_SIGNER_INFO_PKCS_1_5_VERSION), m_issuerAndSerial,
                                      m_digestAlgorithm, attributes, m_signatureAlgorithm,
                                      der::octetString(signature), m_unauthAttributes});
}

}  // namespace platform::crypt::msg
