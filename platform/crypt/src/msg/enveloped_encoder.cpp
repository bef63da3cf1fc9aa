#include "msg/enveloped_encoder.h"

#include <bit>
#include <string_view>

#include "encode/parts.h"
#include "msg/envelope_crypto.h"

namespace platform::crypt::msg {

namespace {

constexpr std::size_t kIvSize = 8;
constexpr std::size_t kDes3KeySize = 24;
// CryptoAPI's RC2 key length when no CMSG_RC2_AUX_INFO says otherwise.
constexpr DWORD kDefaultRc2Bits = 40;

// RFC 2268 section 6: the parameter version that stands for each
// effective key length CryptoAPI offers.
DWORD rc2Version(DWORD bits) {
    switch (bits) {
    case 40: return 160;
    case 64: return 120;
    default: return 58;  // 128
    }
}

DWORD rc2BitsOf(const void* auxInfo) {
    if (!auxInfo) return kDefaultRc2Bits;
    const auto& aux = *static_cast<const CMSG_RC2_AUX_INFO*>(auxInfo);
    if (aux.cbSize != sizeof aux) throw WinError(E_INVALIDARG, "CMSG_RC2_AUX_INFO size");
    if (aux.dwBitLen != 40 && aux.dwBitLen != 64 && aux.dwBitLen != 128)
        throw WinError(E_INVALIDARG, "RC2 key length " + std::to_string(aux.dwBitLen));
    return aux.dwBitLen;
}

// DES keys carry odd parity in the low bit of each byte, as CryptoAPI makes them.
Bytes des3Key() {
    Bytes key = envelope::randomBytes(kDes3KeySize);
    for (BYTE& b : key) b = static_cast<BYTE>((b & 0xFE) | (std::popcount(static_cast<unsigned>(b & 0xFE)) % 2 == 0));
    return key;
}

}  // namespace

EnvelopedEncoder::EnvelopedEncoder(const CMSG_ENVELOPED_ENCODE_INFO& info) {
    if (info.cbSize != sizeof info) throw WinError(E_INVALIDARG, "CMSG_ENVELOPED_ENCODE_INFO size");
    const std::string_view oid = required(info.ContentEncryptionAlgorithm.pszObjId);
    if (oid == szOID_RSA_RC2CBC)
        m_rc2Bits = rc2BitsOf(info.pvEncryptionAuxInfo);
    else if (oid != szOID_RSA_DES_EDE3_CBC)
        throw WinError(CRYPT_E_UNKNOWN_ALGO, "content encryption " + std::string(oid));
    if (!info.cRecipients) throw WinError(E_INVALIDARG, "no recipient");
    for (const PCERT_INFO recipient : items(info.rgpRecipients, info.cRecipients)) {
        if (!recipient) throw WinError(E_INVALIDARG, "null recipient");
        const CERT_PUBLIC_KEY_INFO& key = recipient->SubjectPublicKeyInfo;
        CRYPT_ALGORITHM_IDENTIFIER keyAlgorithm{key.Algorithm.pszObjId, {}};
        m_recipients.push_back({der::wrap(der::kSequence, {parts::nameBlob(recipient->Issuer),
                                                           parts::integerLittleEndian(recipient->SerialNumber)}),
                                parts::algorithm(keyAlgorithm), parts::publicKeyInfo(key)});
    }
}

Bytes EnvelopedEncoder::encryptedContentInfo(const Bytes& key) const {
    const Bytes iv = envelope::randomBytes(kIvSize);
    Bytes algorithm;
    Bytes encrypted;
    if (m_rc2Bits) {
        const Bytes parameters = der::wrap(der::kSequence, {der::integer(rc2Version(m_rc2Bits)), der::octetString(iv)});
        algorithm = der::wrap(der::kSequence, {der::oid(szOID_RSA_RC2CBC), parameters});
        encrypted = envelope::encryptRc2Cbc(key, m_rc2Bits, iv, m_content);
    } else {
        algorithm = der::wrap(der::kSequence, {der::oid(szOID_RSA_DES_EDE3_CBC), der::octetString(iv)});
        encrypted = envelope::encryptDes3Cbc(key, iv, m_content);
    }
    return der::wrap(der::kSequence,
                     {der::oid(szOID_RSA_data), algorithm, der::octetString(encrypted, der::contextTag(0))});
}

Bytes EnvelopedEncoder::finish() {
    const Bytes key = m_rc2Bits ? envelope::randomBytes(m_rc2Bits / 8) : des3Key();
    Bytes recipientInfos;
    for (const Recipient& r : m_recipients)
        der::concat(recipientInfos, der::wrap(der::kSequence, {der::integer(0), r.issuerAndSerial, r.keyAlgorithm,
                                                               der::octetString(envelope::encryptForKey(
                                                                   r.publicKeyInfo, key))}));
    const Bytes envelopedData = der::wrap(
        der::kSequence, {der::integer(0), der::encode(der::kSet, recipientInfos), encryptedContentInfo(key)});
    return der::wrap(der::kSequence, {der::oid(szOID_RSA_envelopedData),
                                      der::encode(der::contextConstructed(0), envelopedData)});
}

}  // namespace platform::crypt::msg
