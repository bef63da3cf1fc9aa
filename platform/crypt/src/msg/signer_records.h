// The records CryptMsgGetParam hands out, each laid out in one block with
// the layout code of the object decoders (record first, copies after it),
// and the two-call size rule over such a layout.
#pragma once

#include <functional>

#include "encode/codec.h"
#include "msg/message_parts.h"

namespace platform::crypt::msg {

// CMSG_SIGNER_INFO.
void signerInfoRecord(const SignerInfo& signer, Decoding& d);
// CERT_INFO with Issuer and SerialNumber, the rest zero.
void signerCertInfoRecord(const SignerInfo& signer, Decoding& d);
// CRYPT_ALGORITHM_IDENTIFIER.
void algorithmRecord(const der::Element& algorithm, Decoding& d);
// CRYPT_ATTRIBUTES of a [0] or [1] SET OF Attribute.
void attributesRecord(const der::Element& attributes, Decoding& d);

// Runs the layout once to measure; a null pvData gets the size, a short
// buffer ERROR_MORE_DATA with the size, a large enough one the record.
void copyRecordOut(const std::function<void(Decoding&)>& layout, void* pvData, DWORD* pcbData);

}  // namespace platform::crypt::msg
