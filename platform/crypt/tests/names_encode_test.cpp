// X509_NAME, X509_UNICODE_NAME and the name values: the string type chosen
// for each attribute, the bytes compared with OpenSSL's, the refusals with
// the position of the bad character, and the record forms when decoding.
#include <gtest/gtest.h>

#include <cstring>

#include "crypt_support.h"
#include "win32/crypt_oid.h"

using namespace crypt_test;

namespace {

CERT_RDN_ATTR wideAttr(LPCSTR oid, const char16_t* text, DWORD type = CERT_RDN_ANY_TYPE) {
    return {const_cast<LPSTR>(oid), type, {0, reinterpret_cast<BYTE*>(const_cast<char16_t*>(text))}};
}

// "CN=Jan Novák, O=Firma, a.s., C=CZ" in that order, one attribute per RDN.
const std::string kNameConf = R"(asn1=SEQUENCE:name
[name]
r1=SET:r1
r2=SET:r2
r3=SET:r3
[r1]
a=SEQUENCE:cn
[cn]
o=OID:2.5.4.3
v=FORMAT:UTF8,BMPSTRING:Jan Novák
[r2]
a=SEQUENCE:org
[org]
o=OID:2.5.4.10
v=PRINTABLESTRING:Firma, a.s.
[r3]
a=SEQUENCE:c
[c]
o=OID:2.5.4.6
v=PRINTABLESTRING:CZ
)";

}  // namespace

TEST(UnicodeName, ChoosesPrintableOrBmpLikeCryptoApiAndMatchesOpenssl) {
    CERT_RDN_ATTR attrs[] = {wideAttr(szOID_COMMON_NAME, u"Jan Novák"), wideAttr(szOID_ORGANIZATION_NAME, u"Firma, a.s."),
                             wideAttr(szOID_COUNTRY_NAME, u"CZ")};
    CERT_RDN rdns[] = {{1, &attrs[0]}, {1, &attrs[1]}, {1, &attrs[2]}};
    CERT_NAME_INFO name{3, rdns};
    const Bytes der = encode(X509_UNICODE_NAME, &name);
    EXPECT_EQ(hex(opensslGenconf(kNameConf)), hex(der));
    expectRoundTrip(X509_NAME, der);
    expectRoundTrip(X509_UNICODE_NAME, der);
}

TEST(UnicodeName, FlagsTurnUnicodeIntoUtf8OrT61AndEmailIntoIa5) {
    CERT_RDN_ATTR attrs[] = {wideAttr(szOID_COMMON_NAME, u"Jan Novák"), wideAttr(szOID_RSA_emailAddr, u"jan@firma.cz")};
    CERT_RDN rdns[] = {{1, &attrs[0]}, {1, &attrs[1]}};
    CERT_NAME_INFO name{2, rdns};
    const Bytes utf8 = encode(X509_UNICODE_NAME, &name, CRYPT_UNICODE_NAME_ENCODE_ENABLE_UTF8_UNICODE_FLAG);
    auto decoded = decode<CERT_NAME_INFO>(X509_NAME, utf8);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(CERT_RDN_UTF8_STRING, decoded->rgRDN[0].rgRDNAttr[0].dwValueType);
    EXPECT_EQ(CERT_RDN_IA5_STRING, decoded->rgRDN[1].rgRDNAttr[0].dwValueType);
    const Bytes t61 = encode(X509_UNICODE_NAME, &name, CRYPT_UNICODE_NAME_ENCODE_ENABLE_T61_UNICODE_FLAG);
    decoded = decode<CERT_NAME_INFO>(X509_NAME, t61);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(CERT_RDN_T61_STRING, decoded->rgRDN[0].rgRDNAttr[0].dwValueType);
    EXPECT_EQ("4A616E204E6F76E16B", hex(bytesOf(decoded->rgRDN[0].rgRDNAttr[0].Value)));
}

TEST(UnicodeName, RefusesABadCharacterAtItsRdnAttributeAndIndex) {
    CERT_RDN_ATTR first[] = {wideAttr(szOID_COMMON_NAME, u"ok")};
    CERT_RDN_ATTR second[] = {wideAttr(szOID_ORGANIZATION_NAME, u"Org"), wideAttr(szOID_COUNTRY_NAME, u"ČZ")};
    CERT_RDN rdns[] = {{1, first}, {2, second}};
    CERT_NAME_INFO name{2, rdns};
    DWORD size = 0;
    EXPECT_FALSE(CryptEncodeObject(X509_ASN_ENCODING, X509_UNICODE_NAME, &name, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_INVALID_PRINTABLE_STRING), GetLastError());
    EXPECT_EQ(1u, GET_CERT_UNICODE_RDN_ERR_INDEX(size));
    EXPECT_EQ(1u, GET_CERT_UNICODE_ATTR_ERR_INDEX(size));
    EXPECT_EQ(0u, GET_CERT_UNICODE_VALUE_ERR_INDEX(size));
}

TEST(Name, SortsTheAttributesOfAMultiValuedRdn) {
    const char cn[] = "Jan";
    const char ou[] = "IT";
    CERT_RDN_ATTR attrs[] = {{const_cast<LPSTR>(szOID_ORGANIZATIONAL_UNIT_NAME), CERT_RDN_PRINTABLE_STRING,
                              {2, reinterpret_cast<BYTE*>(const_cast<char*>(ou))}},
                             {const_cast<LPSTR>(szOID_COMMON_NAME), CERT_RDN_PRINTABLE_STRING,
                              {3, reinterpret_cast<BYTE*>(const_cast<char*>(cn))}}};
    CERT_RDN rdn{2, attrs};
    CERT_NAME_INFO name{1, &rdn};
    // DER orders a SET OF by the encodings: the shorter OU pair comes first.
    EXPECT_EQ("301931173009060355040B13024954300A060355040313034A616E", hex(encode(X509_NAME, &name)));
    std::swap(attrs[0], attrs[1]);
    EXPECT_EQ("301931173009060355040B13024954300A060355040313034A616E", hex(encode(X509_NAME, &name)));
}

TEST(Name, DecodesEveryStringTypeIntoItsRecordForm) {
    const Bytes der = opensslGenconf(R"(asn1=SEQUENCE:name
[name]
r1=SET:r1
[r1]
a=SEQUENCE:a
b=SEQUENCE:b
c=SEQUENCE:c
d=SEQUENCE:d
[a]
o=OID:2.5.4.3
v=FORMAT:UTF8,UTF8String:Žluťoučký
[b]
o=OID:2.5.4.4
v=FORMAT:UTF8,BMPSTRING:Kůň
[c]
o=OID:2.5.4.5
v=FORMAT:HEX,OCTETSTRING:0102
[d]
o=OID:2.5.4.42
v=INTEGER:5
)");
    auto name = decode<CERT_NAME_INFO>(X509_NAME, der);
    ASSERT_TRUE(name);
    ASSERT_EQ(1u, name->cRDN);
    ASSERT_EQ(4u, name->rgRDN[0].cRDNAttr);
    // The SET holds them in DER order; find each by its OID.
    const auto attr = [&](const char* oid) -> const CERT_RDN_ATTR& {
        for (DWORD i = 0; i < 4; ++i)
            if (std::strcmp(name->rgRDN[0].rgRDNAttr[i].pszObjId, oid) == 0) return name->rgRDN[0].rgRDNAttr[i];
        ADD_FAILURE() << oid;
        return name->rgRDN[0].rgRDNAttr[0];
    };
    const CERT_RDN_ATTR& utf8 = attr("2.5.4.3");
    EXPECT_EQ(CERT_RDN_UTF8_STRING, utf8.dwValueType);
    EXPECT_EQ(std::u16string(u"Žluťoučký"),
              std::u16string(reinterpret_cast<const char16_t*>(utf8.Value.pbData), utf8.Value.cbData / 2));
    EXPECT_EQ(0, reinterpret_cast<const char16_t*>(utf8.Value.pbData)[utf8.Value.cbData / 2]);  // terminated
    EXPECT_EQ(CERT_RDN_BMP_STRING, attr("2.5.4.4").dwValueType);
    EXPECT_EQ(6u, attr("2.5.4.4").Value.cbData);
    EXPECT_EQ(CERT_RDN_OCTET_STRING, attr("2.5.4.5").dwValueType);
    EXPECT_EQ("0102", hex(bytesOf(attr("2.5.4.5").Value)));
    EXPECT_EQ(CERT_RDN_ENCODED_BLOB, attr("2.5.4.42").dwValueType);
    EXPECT_EQ("020105", hex(bytesOf(attr("2.5.4.42").Value)));
    expectRoundTrip(X509_NAME, der);
}

TEST(NameValue, EncodesEachTypeAndChecksItsCharacters) {
    const char16_t text[] = u"Přílišný";
    CERT_NAME_VALUE utf8{CERT_RDN_UTF8_STRING, {sizeof text - 2, reinterpret_cast<BYTE*>(const_cast<char16_t*>(text))}};
    EXPECT_EQ(hex(opensslGenconf("asn1=FORMAT:UTF8,UTF8String:Přílišný\n")), hex(encode(X509_NAME_VALUE, &utf8)));
    CERT_NAME_VALUE bmp = utf8;
    bmp.dwValueType = CERT_RDN_BMP_STRING;
    EXPECT_EQ(hex(opensslGenconf("asn1=FORMAT:UTF8,BMPSTRING:Přílišný\n")), hex(encode(X509_NAME_VALUE, &bmp)));

    const char mail[] = "jan@firmá";
    CERT_NAME_VALUE ia5{CERT_RDN_IA5_STRING, {9, reinterpret_cast<BYTE*>(const_cast<char*>(mail))}};
    DWORD size = 0;
    EXPECT_FALSE(CryptEncodeObject(X509_ASN_ENCODING, X509_NAME_VALUE, &ia5, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_INVALID_IA5_STRING), GetLastError());
    EXPECT_EQ(8u, size);
    const char digits[] = "12 3a";
    CERT_NAME_VALUE numeric{CERT_RDN_NUMERIC_STRING, {5, reinterpret_cast<BYTE*>(const_cast<char*>(digits))}};
    EXPECT_FALSE(CryptEncodeObject(X509_ASN_ENCODING, X509_NAME_VALUE, &numeric, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_INVALID_NUMERIC_STRING), GetLastError());
    EXPECT_EQ(4u, size);
}

TEST(NameValue, AUtf8ValueWithALoneSurrogateFailsAsPduMismatchAndFitsInBmp) {
    const char16_t broken[] = {u'A', 0xD800, u'B'};
    CERT_NAME_VALUE value{CERT_RDN_UTF8_STRING, {sizeof broken, reinterpret_cast<BYTE*>(const_cast<char16_t*>(broken))}};
    DWORD size = 0;
    EXPECT_FALSE(CryptEncodeObject(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, X509_NAME_VALUE, &value, nullptr, &size));
    EXPECT_EQ(0x80093009u, GetLastError());
    value.dwValueType = CERT_RDN_BMP_STRING;
    EXPECT_EQ("1E060041D8000042", hex(encode(X509_NAME_VALUE, &value)));
}

TEST(UnicodeNameValue, TakesNulTerminatedTextAndRefusesNonStrings) {
    CERT_NAME_VALUE value{CERT_RDN_PRINTABLE_STRING, {0, reinterpret_cast<BYTE*>(const_cast<char16_t*>(u"CZ"))}};
    EXPECT_EQ("1302435A", hex(encode(X509_UNICODE_NAME_VALUE, &value)));
    value.dwValueType = CERT_RDN_ANY_TYPE;
    DWORD size = 0;
    EXPECT_FALSE(CryptEncodeObject(X509_ASN_ENCODING, X509_UNICODE_NAME_VALUE, &value, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());
    value.dwValueType = CERT_RDN_OCTET_STRING;
    EXPECT_FALSE(CryptEncodeObject(X509_ASN_ENCODING, X509_UNICODE_NAME_VALUE, &value, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_NOT_CHAR_STRING), GetLastError());
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_NOT_CHAR_STRING), decodeError(X509_UNICODE_NAME_VALUE, fromHex("02 01 05")));

    auto decoded = decode<CERT_NAME_VALUE>(X509_UNICODE_ANY_STRING, fromHex("14 03 C5 BD 61"));  // T61 holding UTF-8
    ASSERT_TRUE(decoded);
    EXPECT_EQ(CERT_RDN_T61_STRING, decoded->dwValueType);
    EXPECT_EQ(std::u16string(u"Ža"), reinterpret_cast<const char16_t*>(decoded->Value.pbData));
}
