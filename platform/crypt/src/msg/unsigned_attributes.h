// A signed message encoded again with one signer's unsigned attributes
// changed (CMSG_CTRL_ADD_SIGNER_UNAUTH_ATTR and _DEL_): the SignerInfo keeps
// its bytes up to the signature, so the signed attributes and the signature
// stay exactly as received and still verify.
#pragma once

#include "msg/message_parts.h"

namespace platform::crypt::msg {

// The attribute (one DER element) after the signer's unsigned attributes.
Bytes withUnsignedAttributeAdded(const MessageParts& parts, DWORD signer, View attribute);
// Without the signer's unsigned attribute `index`; CRYPT_E_INVALID_INDEX
// when it has no such attribute.
Bytes withUnsignedAttributeDeleted(const MessageParts& parts, DWORD signer, DWORD index);

}  // namespace platform::crypt::msg
