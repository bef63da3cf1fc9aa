// A message as the DER reader takes it. Streaming encoders write BER:
// indefinite lengths, and the content as a constructed OCTET STRING. Those
// are re-encoded with definite lengths along the message's framing only:
// the ContentInfo, SignedData with its digest algorithm, certificate, CRL
// and signer sets, the encapsulated content (its OCTET STRING made one
// primitive string of the segments' octets), each SignerInfo and its
// unsigned attributes down to their value sets. What lies inside (names,
// algorithms, certificates, CRLs, attribute values, and the signed
// attributes, whose own bytes are what the signature covers) stays byte for
// byte; where that is not DER, the message reader refuses it.
#pragma once

#include <optional>

#include "der/der.h"

namespace platform::crypt::msg {

// The message with DER framing, or nothing when its framing is DER already
// (the message is then used exactly as it came). Bytes after the message
// are not carried over, as the message reader ignores them.
std::optional<der::Bytes> derFramingOf(der::View message);

}  // namespace platform::crypt::msg
