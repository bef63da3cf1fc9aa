// cms_sign_timestamp.cpp: unsigned attributes added to a signer of a signed
// message, the signature time-stamp token among them. The message's other
// bytes, the signed attributes and the signature included, stay as they
// were, so the signature still verifies.
#include "cms_sign_parts.h"
#include "common/cms_sign.h"
#include "common/cryptoapi.h"
#include "common/pkcs7.h"
#include "pkcs7_query.h"

DWORD TCryptoapi::AddSignerUnauthAttr(HCRYPTMSG message, DWORD signer, const CRYPT_ATTRIBUTE& attribute) {
    if (!message) return kErrSignNoMessage;
    return pkcs7::Guarded([&]() -> DWORD {
        cms_sign::Bytes encoded;
        if (!cms_sign::Encode(PKCS_ATTRIBUTE, &attribute, encoded)) return kErrSignAddAttribute;
        CMSG_CTRL_ADD_SIGNER_UNAUTH_ATTR_PARA parameters{};
        parameters.cbSize = sizeof parameters;
        parameters.dwSignerIndex = signer;
        parameters.blob = {static_cast<DWORD>(encoded.size()), encoded.data()};
        return CryptMsgControl(message, 0, CMSG_CTRL_ADD_SIGNER_UNAUTH_ATTR, &parameters) ? 0 : kErrSignAddAttribute;
    });
}

DWORD TCryptoapi::AddTimeStampToken(DWORD signer, const std::vector<BYTE>& token, const std::vector<BYTE>& message,
                                    std::vector<BYTE>& out) {
    TPkcs7 pkcs7;
    if (const DWORD opened = pkcs7.Open(message)) return opened;
    CRYPT_ATTR_BLOB value{static_cast<DWORD>(token.size()), const_cast<BYTE*>(token.data())};
    const CRYPT_ATTRIBUTE attribute{const_cast<LPSTR>(pkcs7::kTimeStampTokenOid), 1, &value};
    if (const DWORD added = AddSignerUnauthAttr(pkcs7.GetMessageHandle(), signer, attribute)) return added;
    return pkcs7.GetEncodedMessage(out);
}
