// Pieces that several structure types share: algorithm identifiers, public
// keys, extensions, attributes, general names and little-endian integers.
// Writers return one complete element; readers take the element (or the
// reader positioned at it) and fill the caller's part of the record.
#pragma once

#include "encode/codec.h"

namespace platform::crypt::parts {

// AlgorithmIdentifier. Empty parameters are written as NULL, as CryptoAPI
// does; absent parameters read as an empty blob, present ones as their TLV.
der::Bytes algorithm(const CRYPT_ALGORITHM_IDENTIFIER& a);
void readAlgorithm(const der::Element& e, Decoding& d, CRYPT_ALGORITHM_IDENTIFIER& out);

// SubjectPublicKeyInfo.
der::Bytes publicKeyInfo(const CERT_PUBLIC_KEY_INFO& k);
void readPublicKeyInfo(const der::Element& e, Decoding& d, CERT_PUBLIC_KEY_INFO& out);

// BIT STRING into CRYPT_BIT_BLOB, as it stands.
void readBits(const der::Element& e, Decoding& d, CRYPT_BIT_BLOB& out);

// Extensions ::= SEQUENCE OF Extension.
der::Bytes extensions(std::span<const CERT_EXTENSION> list);
void readExtensions(const der::Element& e, Decoding& d, DWORD& count, PCERT_EXTENSION& list);

// Attribute ::= SEQUENCE { type, SET OF value }; a SET OF them with `tag`.
der::Bytes attribute(const CRYPT_ATTRIBUTE& a);
der::Bytes attributes(std::span<const CRYPT_ATTRIBUTE> list, BYTE tag = der::kSet);
void readAttribute(const der::Element& e, Decoding& d, CRYPT_ATTRIBUTE& out);
void readAttributes(const der::Element& e, Decoding& d, DWORD& count, PCRYPT_ATTRIBUTE& list);

// GeneralNames with the given tag (SEQUENCE, or [n] IMPLICIT). Characters
// an IA5String cannot hold are refused with entry << 16 | character.
der::Bytes generalNames(const CERT_ALT_NAME_INFO& names, BYTE tag = der::kSequence);
void readGeneralNames(const der::Element& e, Decoding& d, CERT_ALT_NAME_INFO& out);

// INTEGER <-> little-endian CRYPT_INTEGER_BLOB (two's complement, kept with
// its sign byte when read).
der::Bytes integerLittleEndian(const CRYPT_INTEGER_BLOB& value, BYTE tag = der::kInteger);
CRYPT_INTEGER_BLOB readIntegerLittleEndian(const der::Element& e, Decoding& d);

// The to-be-signed part of a signed certificate, CRL or request: the input
// itself under CRYPT_DECODE_TO_BE_SIGNED_FLAG, else the first element of the
// signed SEQUENCE, as CryptoAPI's *_TO_BE_SIGNED decoders read it.
der::Element toBeSignedOf(der::View input, const Decoding& d);

// A Name given as its encoding (CERT_NAME_BLOB); an empty blob is the empty
// Name.
der::Bytes nameBlob(const CERT_NAME_BLOB& name);

}  // namespace platform::crypt::parts
