// The encoder and decoder of every structure type; struct_types.cpp maps
// the structure type constants and OIDs onto them.
#pragma once

#include "encode/codec.h"

namespace platform::crypt::codecs {

der::Bytes encodeName(const void* info, const Encoding& e);
void decodeName(der::View input, Decoding& d);
der::Bytes encodeUnicodeName(const void* info, const Encoding& e);
void decodeUnicodeName(der::View input, Decoding& d);
der::Bytes encodeNameValue(const void* info, const Encoding& e);
void decodeNameValue(der::View input, Decoding& d);
der::Bytes encodeUnicodeNameValue(const void* info, const Encoding& e);
void decodeUnicodeNameValue(der::View input, Decoding& d);

der::Bytes encodeExtensions(const void* info, const Encoding& e);
void decodeExtensions(der::View input, Decoding& d);
der::Bytes encodeBits(const void* info, const Encoding& e);
der::Bytes encodeKeyUsage(const void* info, const Encoding& e);
void decodeBits(der::View input, Decoding& d);
der::Bytes encodeEnhancedKeyUsage(const void* info, const Encoding& e);
void decodeEnhancedKeyUsage(der::View input, Decoding& d);
der::Bytes encodeAltName(const void* info, const Encoding& e);
void decodeAltName(der::View input, Decoding& d);
der::Bytes encodeCertPolicies(const void* info, const Encoding& e);
void decodeCertPolicies(der::View input, Decoding& d);
der::Bytes encodeUserNotice(const void* info, const Encoding& e);
void decodeUserNotice(der::View input, Decoding& d);
der::Bytes encodeCrlDistPoints(const void* info, const Encoding& e);
void decodeCrlDistPoints(der::View input, Decoding& d);
der::Bytes encodeAuthorityKeyId2(const void* info, const Encoding& e);
void decodeAuthorityKeyId2(der::View input, Decoding& d);
der::Bytes encodeBasicConstraints2(const void* info, const Encoding& e);
void decodeBasicConstraints2(der::View input, Decoding& d);

der::Bytes encodeAlgorithmId(const void* info, const Encoding& e);
void decodeAlgorithmId(der::View input, Decoding& d);
der::Bytes encodePublicKeyInfo(const void* info, const Encoding& e);
void decodePublicKeyInfo(der::View input, Decoding& d);
der::Bytes encodeRsaPublicKeyBlob(const void* info, const Encoding& e);
void decodeRsaPublicKeyBlob(der::View input, Decoding& d);
der::Bytes encodeRsaPrivateKey(const void* info, const Encoding& e);
void decodeRsaPrivateKey(der::View input, Decoding& d);

der::Bytes encodeOctetString(const void* info, const Encoding& e);
void decodeOctetString(der::View input, Decoding& d);
der::Bytes encodeInteger(const void* info, const Encoding& e);
void decodeInteger(der::View input, Decoding& d);
der::Bytes encodeEnumerated(const void* info, const Encoding& e);
void decodeEnumerated(der::View input, Decoding& d);
der::Bytes encodeMultiByteInteger(const void* info, const Encoding& e);
void decodeMultiByteInteger(der::View input, Decoding& d);
der::Bytes encodeMultiByteUint(const void* info, const Encoding& e);
void decodeMultiByteUint(der::View input, Decoding& d);
der::Bytes encodeChoiceOfTime(const void* info, const Encoding& e);
void decodeChoiceOfTime(der::View input, Decoding& d);
der::Bytes encodeSequenceOfAny(const void* info, const Encoding& e);
void decodeSequenceOfAny(der::View input, Decoding& d);
der::Bytes encodeAttribute(const void* info, const Encoding& e);
void decodeAttribute(der::View input, Decoding& d);
der::Bytes encodeAttributes(const void* info, const Encoding& e);
void decodeAttributes(der::View input, Decoding& d);

der::Bytes encodeSignedContent(const void* info, const Encoding& e);
void decodeSignedContent(der::View input, Decoding& d);
der::Bytes encodeCertInfo(const void* info, const Encoding& e);
void decodeCertInfo(der::View input, Decoding& d);
der::Bytes encodeCrlInfo(const void* info, const Encoding& e);
void decodeCrlInfo(der::View input, Decoding& d);
der::Bytes encodeRequestInfo(const void* info, const Encoding& e);
void decodeRequestInfo(der::View input, Decoding& d);

}  // namespace platform::crypt::codecs
