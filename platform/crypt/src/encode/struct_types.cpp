// Structure types: the constants and the OIDs that CryptoAPI accepts in their
// place, each with its encoder and decoder.
#include "encode/struct_types.h"

#include <cstring>

#include "encode/codecs.h"

namespace platform::crypt {

namespace {

using namespace codecs;

struct Entry {
    ULONG_PTR id;
    Codec codec;
};

constexpr Entry kById[] = {
    {1, {encodeSignedContent, decodeSignedContent}},
    {2, {encodeCertInfo, decodeCertInfo}},
    {3, {encodeCrlInfo, decodeCrlInfo}},
    {4, {encodeRequestInfo, decodeRequestInfo}},
    {5, {encodeExtensions, decodeExtensions}},
    {6, {encodeNameValue, decodeNameValue}},
    {7, {encodeName, decodeName}},
    {8, {encodePublicKeyInfo, decodePublicKeyInfo}},
    {12, {encodeAltName, decodeAltName}},
    {14, {encodeKeyUsage, decodeBits}},
    {15, {encodeBasicConstraints2, decodeBasicConstraints2}},
    {16, {encodeCertPolicies, decodeCertPolicies}},
    {17, {encodeChoiceOfTime, decodeChoiceOfTime}},
    {19, {encodeRsaPublicKeyBlob, decodeRsaPublicKeyBlob}},
    {20, {encodeUnicodeName, decodeUnicodeName}},
    {22, {encodeAttribute, decodeAttribute}},
    {24, {encodeUnicodeNameValue, decodeUnicodeNameValue}},
    {25, {encodeOctetString, decodeOctetString}},
    {26, {encodeBits, decodeBits}},
    {27, {encodeInteger, decodeInteger}},
    {28, {encodeMultiByteInteger, decodeMultiByteInteger}},
    {29, {encodeEnumerated, decodeEnumerated}},
    {30, {encodeChoiceOfTime, decodeChoiceOfTime}},
    {31, {encodeAuthorityKeyId2, decodeAuthorityKeyId2}},
    {34, {encodeSequenceOfAny, decodeSequenceOfAny}},
    {35, {encodeCrlDistPoints, decodeCrlDistPoints}},
    {36, {encodeEnhancedKeyUsage, decodeEnhancedKeyUsage}},
    {38, {encodeMultiByteUint, decodeMultiByteUint}},
    {43, {encodeRsaPrivateKey, decodeRsaPrivateKey}},
    {46, {encodeUserNotice, decodeUserNotice}},
    {48, {encodeAttributes, decodeAttributes}},
    {74, {encodeAlgorithmId, decodeAlgorithmId}},
};

// OIDs that stand for a structure type.
struct OidEntry {
    const char* oid;
    ULONG_PTR id;
};

constexpr OidEntry kByOid[] = {
    {szOID_SUBJECT_ALT_NAME, 12},        {szOID_SUBJECT_ALT_NAME2, 12}, {szOID_ISSUER_ALT_NAME, 12},
    {szOID_ISSUER_ALT_NAME2, 12},        {szOID_KEY_USAGE, 14},         {szOID_BASIC_CONSTRAINTS2, 15},
    {szOID_CERT_POLICIES, 16},           {szOID_RSA_signingTime, 17},   {szOID_SUBJECT_KEY_IDENTIFIER, 25},
    {szOID_CRL_REASON_CODE, 29},         {szOID_AUTHORITY_KEY_IDENTIFIER2, 31},
    {szOID_CRL_DIST_POINTS, 35},         {szOID_ENHANCED_KEY_USAGE, 36},
    {szOID_PKIX_POLICY_QUALIFIER_USERNOTICE, 46}, {szOID_CERT_EXTENSIONS, 5},
};

[[noreturn]] void unknown() { throw WinError(ERROR_FILE_NOT_FOUND, "unknown structure type"); }

const Codec& byId(ULONG_PTR id) {
    for (const Entry& e : kById)
        if (e.id == id) return e.codec;
    unknown();
}

}  // namespace

const Codec& codecFor(DWORD encodingType, LPCSTR structType) {
    if (!(encodingType & (X509_ASN_ENCODING | PKCS_7_ASN_ENCODING))) unknown();
    const auto id = reinterpret_cast<ULONG_PTR>(structType);
    if (id >> 16 == 0) return byId(id);  // a small integer, as CryptoAPI tells them from pointers
    for (const OidEntry& e : kByOid)
        if (std::strcmp(e.oid, structType) == 0) return byId(e.id);
    unknown();
}

}  // namespace platform::crypt
