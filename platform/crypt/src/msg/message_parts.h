// A decoded message as views into its encoding: the content, the carried
// certificates and CRLs, and each signer with its parts exactly as received,
// so that the signed attributes can be hashed and verified as they stand.
// The structures are RFC 5652 ContentInfo, SignedData (section 5.1) and
// SignerInfo (section 5.3), read with the crypt area's DER reader.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "der/der.h"

namespace platform::crypt::msg {

using der::Bytes;
using der::View;

struct SignerInfo {
    View encoded;  // the whole SignerInfo
    DWORD version = 0;
    // issuerAndSerialNumber: the encoded Name and the INTEGER; or, for a
    // subjectKeyIdentifier, the key identifier alone.
    View issuer;
    der::Element serialNumber;
    std::optional<View> keyId;
    der::Element digestAlgorithm;  // AlgorithmIdentifier
    std::string digestOid;
    std::optional<der::Element> signedAttributes;  // [0] IMPLICIT SET OF Attribute
    der::Element signatureAlgorithm;
    View signature;                                  // the OCTET STRING's contents
    std::optional<der::Element> unsignedAttributes;  // [1] IMPLICIT SET OF Attribute
};

struct MessageParts {
    DWORD type = 0;  // CMSG_DATA or CMSG_SIGNED
    View encoded;    // the ContentInfo
    // Signed messages: the encapsulated content type and what is hashed for
    // the signers: the OCTET STRING's octets (RFC 5652 section 5.4) or, for
    // other content, the content octets of its element (PKCS #7 1.5).
    std::string innerContentType;
    View hashedContent;
    // What CMSG_CONTENT_PARAM gives: the octets of an OCTET STRING, else the
    // element as it stands. Empty when the message carries no content.
    View content;
    std::vector<View> certificates;
    std::vector<View> crls;
    std::vector<SignerInfo> signers;
};

// The message in `encoded` (bytes after it are ignored), read as DER: a
// message in BER goes through derFramingOf (der_framing.h) first.
// CRYPT_E_ASN1_* for damaged DER, a constructed OCTET STRING included;
// CRYPT_E_INVALID_MSG_TYPE for a content type other than data and signedData.
MessageParts parseMessage(View encoded);

}  // namespace platform::crypt::msg
