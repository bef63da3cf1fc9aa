// The root certificates a card keeps for its owner, seen through vendor
// provider parameters of the card providers:
//   0x10000002 (get): their number, a DWORD;
//   0x10000003 (get): their DER certificates one after another;
//   0x10000004 (set): deletes the root whose DER certificate is given
//                     (its length from its header); the user logs in.
// A root is a certificate object of the token that is a CA certificate,
// issued by itself, and belongs to no key pair of the token (no public or
// private key object has its CKA_ID).
#pragma once

#include <optional>

#include "p11_session.h"
#include "rsa_keys.h"

namespace platform::crypt::provider {

inline constexpr DWORD kCardRootCountParameter = 0x10000002;
inline constexpr DWORD kCardRootListParameter = 0x10000003;
inline constexpr DWORD kCardRootDeleteParameter = 0x10000004;

// The value of a reading parameter above; nothing for another parameter.
std::optional<p11::Bytes> cardRootParameter(p11::Session& session, DWORD param);

// The token object of the root with exactly these bytes; CRYPT_E_NOT_FOUND
// when the token keeps no such root.
p11::CK_OBJECT_HANDLE cardRootObject(p11::Session& session, View der);

}  // namespace platform::crypt::provider
