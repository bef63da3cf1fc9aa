// The single-value structure types: integers in their CryptoAPI forms, times,
// octet strings, sequences of anything, attributes and algorithm identifiers.
#include <gtest/gtest.h>

#include "crypt_support.h"
#include "win32/datetime.h"

using namespace crypt_test;

namespace {

FILETIME fileTimeOf(WORD year, WORD month, WORD day) {
    SYSTEMTIME st{year, month, 0, day, 8, 30, 15, 0};
    FILETIME ft{};
    EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
    return ft;
}

}  // namespace

TEST(Integers, IntAndEnumeratedFitThirtyTwoBits) {
    int value = 128;
    EXPECT_EQ("02020080", hex(encode(X509_INTEGER, &value)));
    value = -2147483647 - 1;
    EXPECT_EQ("020480000000", hex(encode(X509_INTEGER, &value)));
    expectRoundTrip(X509_INTEGER, fromHex("020480000000"));
    value = 1;
    EXPECT_EQ("0A0101", hex(encode(X509_ENUMERATED, &value)));
    EXPECT_EQ("0A0101", hex(encode(szOID_CRL_REASON_CODE, &value)));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_LARGE), decodeError(X509_INTEGER, fromHex("02 05 01 00 00 00 00")));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_BADTAG), decodeError(X509_INTEGER, fromHex("0A 01 01")));
}

TEST(Integers, MultiByteFormsAreLittleEndianAndMinimal) {
    BYTE serial[] = {0x45, 0x00};  // 69, least significant byte first, with a redundant zero
    CRYPT_INTEGER_BLOB integer{2, serial};
    EXPECT_EQ("020145", hex(encode(X509_MULTI_BYTE_INTEGER, &integer)));
    BYTE top[] = {0x80};
    CRYPT_INTEGER_BLOB negative{1, top};
    EXPECT_EQ("020180", hex(encode(X509_MULTI_BYTE_INTEGER, &negative)));
    EXPECT_EQ("02020080", hex(encode(X509_MULTI_BYTE_UINT, &negative)));
    // Reading keeps the sign byte of a signed integer and drops it from an unsigned one.
    auto signedValue = decode<CRYPT_INTEGER_BLOB>(X509_MULTI_BYTE_INTEGER, fromHex("02020080"));
    ASSERT_TRUE(signedValue);
    EXPECT_EQ("8000", hex(bytesOf(*signedValue)));
    auto unsignedValue = decode<CRYPT_UINT_BLOB>(X509_MULTI_BYTE_UINT, fromHex("02020080"));
    ASSERT_TRUE(unsignedValue);
    EXPECT_EQ("80", hex(bytesOf(*unsignedValue)));
    EXPECT_EQ(hex(opensslGenconf("asn1=INTEGER:0x0102030405060708090A\n")),
              hex(encode(X509_MULTI_BYTE_INTEGER, [] {
                  static BYTE le[] = {10, 9, 8, 7, 6, 5, 4, 3, 2, 1};
                  static CRYPT_INTEGER_BLOB b{10, le};
                  return &b;
              }())));
}

TEST(Times, UtcTimeInsideTheCenturyWindowGeneralizedOutside) {
    FILETIME in2024 = fileTimeOf(2024, 2, 29);
    EXPECT_EQ(hex(opensslGenconf("asn1=UTCTIME:240229083015Z\n")), hex(encode(X509_CHOICE_OF_TIME, &in2024)));
    EXPECT_EQ(hex(opensslGenconf("asn1=UTCTIME:240229083015Z\n")), hex(encode(szOID_RSA_signingTime, &in2024)));
    FILETIME in2050 = fileTimeOf(2050, 1, 1);
    EXPECT_EQ(hex(opensslGenconf("asn1=GENERALIZEDTIME:20500101083015Z\n")), hex(encode(PKCS_UTC_TIME, &in2050)));
    for (const Bytes& der : {encode(X509_CHOICE_OF_TIME, &in2024), encode(X509_CHOICE_OF_TIME, &in2050)}) {
        auto back = decode<FILETIME>(PKCS_UTC_TIME, der);
        ASSERT_TRUE(back);
        expectRoundTrip(X509_CHOICE_OF_TIME, der);
    }
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_BADTAG), decodeError(X509_CHOICE_OF_TIME, fromHex("04 00")));
}

TEST(OctetString, AlsoTheSubjectKeyIdentifier) {
    BYTE id[] = {0xDE, 0xAD, 0xBE, 0xEF};
    CRYPT_DATA_BLOB blob{4, id};
    EXPECT_EQ("0404DEADBEEF", hex(encode(X509_OCTET_STRING, &blob)));
    auto decoded = decode<CRYPT_DATA_BLOB>(szOID_SUBJECT_KEY_IDENTIFIER, fromHex("0404DEADBEEF"));
    ASSERT_TRUE(decoded);
    EXPECT_EQ("DEADBEEF", hex(bytesOf(*decoded)));
}

TEST(SequenceOfAny, ElementsAreWholeEncodingsAndMustBeOne) {
    const Bytes a = fromHex("020101");
    const Bytes b = fromHex("0C026869");
    CRYPT_DER_BLOB values[] = {blobOf(a), blobOf(b)};
    CRYPT_SEQUENCE_OF_ANY seq{2, values};
    const Bytes der = encode(X509_SEQUENCE_OF_ANY, &seq);
    EXPECT_EQ("3007020101" "0C026869", hex(der));
    auto decoded = decode<CRYPT_SEQUENCE_OF_ANY>(X509_SEQUENCE_OF_ANY, der);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(2u, decoded->cValue);
    EXPECT_EQ("0C026869", hex(bytesOf(decoded->rgValue[1])));
    const Bytes broken = fromHex("0203");
    values[1] = blobOf(broken);
    DWORD size = 0;
    EXPECT_FALSE(CryptEncodeObject(X509_ASN_ENCODING, X509_SEQUENCE_OF_ANY, &seq, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_BAD_ENCODE), GetLastError());
}

TEST(Attributes, ValuesAndAttributesAreSortedLikeOpensslSorts) {
    const Bytes first = fromHex("0403010203");
    const Bytes second = fromHex("020101");
    CRYPT_ATTR_BLOB values[] = {blobOf(first), blobOf(second)};
    CRYPT_ATTRIBUTE attrs[] = {{const_cast<LPSTR>(szOID_RSA_signingTime), 1, values},
                               {const_cast<LPSTR>(szOID_RSA_contentType), 2, values}};
    const Bytes one = encode(PKCS_ATTRIBUTE, &attrs[1]);
    EXPECT_EQ(hex(opensslGenconf(R"(asn1=SEQUENCE:attr
[attr]
type=OID:1.2.840.113549.1.9.3
values=SET:values
[values]
a=FORMAT:HEX,OCTETSTRING:010203
b=INTEGER:1
)")),
              hex(one));
    CRYPT_ATTRIBUTES list{2, attrs};
    const Bytes set = encode(PKCS_ATTRIBUTES, &list);
    auto decoded = decode<CRYPT_ATTRIBUTES>(PKCS_ATTRIBUTES, set);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(2u, decoded->cAttr);
    EXPECT_STREQ(szOID_RSA_signingTime, decoded->rgAttr[0].pszObjId);  // the shorter encoding first
    EXPECT_EQ("020101", hex(bytesOf(decoded->rgAttr[1].rgValue[0])));  // values sorted too
    expectRoundTrip(PKCS_ATTRIBUTES, set);
    expectRoundTrip(PKCS_ATTRIBUTE, one);
    CRYPT_ATTRIBUTE noValues{const_cast<LPSTR>("1.2.3"), 0, nullptr};
    EXPECT_EQ("30060602" "2A033100", hex(encode(PKCS_ATTRIBUTE, &noValues)));
}

TEST(AlgorithmIdentifier, EmptyParametersAreWrittenAsNull) {
    CRYPT_ALGORITHM_IDENTIFIER sha256{const_cast<LPSTR>(szOID_NIST_sha256), {0, nullptr}};
    EXPECT_EQ("300D06096086480165030402010500", hex(encode(X509_ALGORITHM_IDENTIFIER, &sha256)));
    auto withNull = decode<CRYPT_ALGORITHM_IDENTIFIER>(X509_ALGORITHM_IDENTIFIER,
                                                       fromHex("300D06096086480165030402010500"));
    ASSERT_TRUE(withNull);
    EXPECT_STREQ(szOID_NIST_sha256, withNull->pszObjId);
    EXPECT_EQ("0500", hex(bytesOf(withNull->Parameters)));
    auto without = decode<CRYPT_ALGORITHM_IDENTIFIER>(X509_ALGORITHM_IDENTIFIER, fromHex("300B0609608648016503040201"));
    ASSERT_TRUE(without);
    EXPECT_EQ(0u, without->Parameters.cbData);
    CRYPT_ALGORITHM_IDENTIFIER bad{const_cast<LPSTR>("1.2.840.x"), {0, nullptr}};
    DWORD size = 0;
    EXPECT_FALSE(CryptEncodeObject(X509_ASN_ENCODING, X509_ALGORITHM_IDENTIFIER, &bad, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_ERROR), GetLastError());
}
