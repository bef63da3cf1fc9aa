#include "msg/signer_records.h"

#include "encode/parts.h"
#include "win32/crypt_msg.h"

namespace platform::crypt::msg {

namespace {

// A key-identifier signer named the way CryptoAPI names it: a Name of the
// one attribute szOID_KEYID_RDN holding the identifier as an OCTET STRING.
Bytes keyIdName(View keyId) {
    const Bytes attribute = der::wrap(der::kSequence, {der::oid(szOID_KEYID_RDN), der::octetString(keyId)});
    return der::wrap(der::kSequence, {der::wrap(der::kSet, {attribute})});
}

void readSignerId(const SignerInfo& signer, Decoding& d, CERT_NAME_BLOB& issuer, CRYPT_INTEGER_BLOB& serial) {
    if (signer.keyId) {
        issuer = d.copy(keyIdName(*signer.keyId));
        return;
    }
    issuer = d.copy(signer.issuer);
    serial = parts::readIntegerLittleEndian(signer.serialNumber, d);
}

void readOptionalAttributes(const std::optional<der::Element>& attributes, Decoding& d, CRYPT_ATTRIBUTES& out) {
    if (attributes) parts::readAttributes(*attributes, d, out.cAttr, out.rgAttr);
}

}  // namespace

void signerInfoRecord(const SignerInfo& signer, Decoding& d) {
    auto& info = *d.make<CMSG_SIGNER_INFO>();
    info.dwVersion = signer.version;
    readSignerId(signer, d, info.Issuer, info.SerialNumber);
    parts::readAlgorithm(signer.digestAlgorithm, d, info.HashAlgorithm);
    parts::readAlgorithm(signer.signatureAlgorithm, d, info.HashEncryptionAlgorithm);
    info.EncryptedHash = d.copy(signer.signature);
    readOptionalAttributes(signer.signedAttributes, d, info.AuthAttrs);
    readOptionalAttributes(signer.unsignedAttributes, d, info.UnauthAttrs);
}

void signerCertInfoRecord(const SignerInfo& signer, Decoding& d) {
    auto& info = *d.make<CERT_INFO>();
    readSignerId(signer, d, info.Issuer, info.SerialNumber);
}

void algorithmRecord(const der::Element& algorithm, Decoding& d) {
    parts::readAlgorithm(algorithm, d, *d.make<CRYPT_ALGORITHM_IDENTIFIER>());
}

void attributesRecord(const der::Element& attributes, Decoding& d) {
    auto& out = *d.make<CRYPT_ATTRIBUTES>();
    parts::readAttributes(attributes, d, out.cAttr, out.rgAttr);
}

void copyRecordOut(const std::function<void(Decoding&)>& layout, void* pvData, DWORD* pcbData) {
    if (!pcbData) throw WinError(ERROR_INVALID_PARAMETER, "null size pointer");
    const auto layOut = [&](BYTE* base) {
        Block block(base);
        Decoding d(block, 0);
        layout(d);
        return block.size();
    };
    const std::size_t size = layOut(nullptr);
    const DWORD room = *pcbData;
    *pcbData = static_cast<DWORD>(size);
    if (!pvData) return;
    if (room < size) throw WinError(ERROR_MORE_DATA, "buffer too small");
    layOut(static_cast<BYTE*>(pvData));
}

}  // namespace platform::crypt::msg
