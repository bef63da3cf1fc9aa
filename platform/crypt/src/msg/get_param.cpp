#include "msg/get_param.h"

#include "msg/signer_records.h"
#include "platform/buffers.h"
#include "platform/win_error.h"
#include "win32/crypt_msg.h"

namespace platform::crypt::msg {

namespace {

const MessageParts& signedParts(const Message& message) {
    const MessageParts& parts = message.parts();
    if (parts.type != CMSG_SIGNED) throw WinError(CRYPT_E_INVALID_MSG_TYPE, "not a signed message");
    return parts;
}

const Bytes& computedHashOf(const Message& message, DWORD signer) {
    signedParts(message);
    return message.computedHash(signer);
}

template <class T>
const T& itemAt(const std::vector<T>& items, DWORD index) {
    if (index >= items.size()) throw WinError(CRYPT_E_INVALID_INDEX, "index beyond the message's items");
    return items[index];
}

void copyBytes(View value, void* pvData, DWORD* pcbData) { copyOut(value, static_cast<BYTE*>(pvData), pcbData); }

void copyCount(std::size_t count, void* pvData, DWORD* pcbData) {
    const auto value = static_cast<DWORD>(count);
    copyBytes({reinterpret_cast<const BYTE*>(&value), sizeof value}, pvData, pcbData);
}

void copyAttributes(const std::optional<der::Element>& attributes, void* pvData, DWORD* pcbData) {
    if (!attributes) throw WinError(CRYPT_E_ATTRIBUTES_MISSING, "the signer has no such attributes");
    copyRecordOut([&](Decoding& d) { attributesRecord(*attributes, d); }, pvData, pcbData);
}

// The parameters about one signer.
void copySignerParam(const SignerInfo& signer, DWORD param, void* pvData, DWORD* pcbData) {
    switch (param) {
    case CMSG_SIGNER_INFO_PARAM:
        return copyRecordOut([&](Decoding& d) { signerInfoRecord(signer, d); }, pvData, pcbData);
    case CMSG_SIGNER_CERT_INFO_PARAM:
        return copyRecordOut([&](Decoding& d) { signerCertInfoRecord(signer, d); }, pvData, pcbData);
    case CMSG_SIGNER_HASH_ALGORITHM_PARAM:
        return copyRecordOut([&](Decoding& d) { algorithmRecord(signer.digestAlgorithm, d); }, pvData, pcbData);
    case CMSG_SIGNER_AUTH_ATTR_PARAM: return copyAttributes(signer.signedAttributes, pvData, pcbData);
    case CMSG_SIGNER_UNAUTH_ATTR_PARAM: return copyAttributes(signer.unsignedAttributes, pvData, pcbData);
    case CMSG_ENCRYPTED_DIGEST: return copyBytes(signer.signature, pvData, pcbData);
    default: return copyBytes(signer.encoded, pvData, pcbData);  // CMSG_ENCODED_SIGNER
    }
}

}  // namespace

void getParam(const Message& message, DWORD param, DWORD index, void* pvData, DWORD* pcbData) {
    switch (param) {
    case CMSG_TYPE_PARAM: return copyCount(message.parts().type, pvData, pcbData);
    case CMSG_CONTENT_PARAM: {  // what a message being encoded has made, else what a decoded one carries
        const MessageParts& parts = message.parts();
        return copyBytes(message.openedToEncode() ? parts.encoded : parts.content, pvData, pcbData);
    }
    case CMSG_ENCODED_MESSAGE: return copyBytes(message.parts().encoded, pvData, pcbData);
    case CMSG_INNER_CONTENT_TYPE_PARAM: {
        const std::string& oid = signedParts(message).innerContentType;
        return copyBytes({reinterpret_cast<const BYTE*>(oid.c_str()), oid.size() + 1}, pvData, pcbData);
    }
    case CMSG_SIGNER_COUNT_PARAM: return copyCount(signedParts(message).signers.size(), pvData, pcbData);
    case CMSG_CERT_COUNT_PARAM: return copyCount(signedParts(message).certificates.size(), pvData, pcbData);
    case CMSG_CRL_COUNT_PARAM: return copyCount(signedParts(message).crls.size(), pvData, pcbData);
    case CMSG_CERT_PARAM: return copyBytes(itemAt(signedParts(message).certificates, index), pvData, pcbData);
    case CMSG_CRL_PARAM: return copyBytes(itemAt(signedParts(message).crls, index), pvData, pcbData);
    case CMSG_COMPUTED_HASH_PARAM: return copyBytes(computedHashOf(message, index), pvData, pcbData);
    case CMSG_SIGNER_INFO_PARAM:
    case CMSG_SIGNER_CERT_INFO_PARAM:
    case CMSG_SIGNER_HASH_ALGORITHM_PARAM:
    case CMSG_SIGNER_AUTH_ATTR_PARAM:
    case CMSG_SIGNER_UNAUTH_ATTR_PARAM:
    case CMSG_ENCRYPTED_DIGEST:
    case CMSG_ENCODED_SIGNER:
        return copySignerParam(itemAt(signedParts(message).signers, index), param, pvData, pcbData);
    default: throw WinError(CRYPT_E_INVALID_MSG_TYPE, "parameter " + std::to_string(param) + " is not offered");
    }
}

}  // namespace platform::crypt::msg
