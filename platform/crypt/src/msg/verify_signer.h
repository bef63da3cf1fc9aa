// The signature check of one signer of a decoded signed message, as
// CryptMsgControl's CMSG_CTRL_VERIFY_SIGNATURE(_EX) makes it: the content's
// hash against the messageDigest attribute when there are signed
// attributes, then the signature over their DER SET OF (RFC 5652 section
// 5.4) by the store area's check; without them, the signature over the
// content's hash alone, through a provider for RSA with PKCS #1 v1.5
// padding, by the store area's check for ECDSA and RSASSA-PSS.
#pragma once

#include "msg/message.h"

namespace platform::crypt::msg {

// provider (for an RSA signature over the hash alone) 0: the message's provider,
// else a verification context of the default RSA and AES provider.
void verifySigner(const Message& message, DWORD signer, const CERT_PUBLIC_KEY_INFO& key, HCRYPTPROV provider);

// The index of the signer named by the certificate's issuer and serial
// number; CRYPT_E_SIGNER_NOT_FOUND when none is.
DWORD signerOf(const Message& message, const CERT_INFO& certificate);

}  // namespace platform::crypt::msg
