// The extension structure types: bytes compared with what OpenSSL makes for
// the same value, the round trip through the decoder, and CryptoAPI's own
// rules (minimal key-usage bits, refused IA5 characters with their position).
#include <gtest/gtest.h>

#include "crypt_support.h"
#include "win32/crypt_oid.h"

using namespace crypt_test;

namespace {

const std::string kDirName = R"(
[dirname]
rdn=SET:dirrdn
[dirrdn]
atv=SEQUENCE:diratv
[diratv]
o=OID:2.5.4.3
v=PRINTABLESTRING:Jan
)";
const Bytes kDirNameDer = fromHex("300E310C300A060355040313034A616E");

}  // namespace

TEST(AlternativeName, EveryChoiceMatchesOpensslAndRoundTrips) {
    const Bytes upnValue = fromHex("0C096A616E406669726D61");
    CERT_OTHER_NAME upn{const_cast<LPSTR>("1.3.6.1.4.1.311.20.2.3"), blobOf(upnValue)};
    BYTE ip[] = {192, 168, 1, 2};
    CERT_ALT_NAME_ENTRY entries[7] = {};
    entries[0].dwAltNameChoice = CERT_ALT_NAME_OTHER_NAME;
    entries[0].pOtherName = &upn;
    entries[1].dwAltNameChoice = CERT_ALT_NAME_RFC822_NAME;
    entries[1].pwszRfc822Name = const_cast<LPWSTR>(u"jan@firma.cz");
    entries[2].dwAltNameChoice = CERT_ALT_NAME_DNS_NAME;
    entries[2].pwszDNSName = const_cast<LPWSTR>(u"firma.cz");
    entries[3].dwAltNameChoice = CERT_ALT_NAME_DIRECTORY_NAME;
    entries[3].DirectoryName = blobOf(kDirNameDer);
    entries[4].dwAltNameChoice = CERT_ALT_NAME_URL;
    entries[4].pwszURL = const_cast<LPWSTR>(u"http://firma.cz/");
    entries[5].dwAltNameChoice = CERT_ALT_NAME_IP_ADDRESS;
    entries[5].IPAddress = {4, ip};
    entries[6].dwAltNameChoice = CERT_ALT_NAME_REGISTERED_ID;
    entries[6].pszRegisteredID = const_cast<LPSTR>("1.2.3.4");
    CERT_ALT_NAME_INFO names{7, entries};
    const Bytes der = encode(X509_ALTERNATE_NAME, &names);
    EXPECT_EQ(hex(opensslGenconf(R"(asn1=SEQUENCE:names
[names]
other=IMPLICIT:0,SEQUENCE:other
mail=IMPLICIT:1,IA5STRING:jan@firma.cz
dns=IMPLICIT:2,IA5STRING:firma.cz
dir=EXPLICIT:4,SEQUENCE:dirname
url=IMPLICIT:6,IA5STRING:http://firma.cz/
ip=IMPLICIT:7,FORMAT:HEX,OCTETSTRING:C0A80102
rid=IMPLICIT:8,OID:1.2.3.4
[other]
type=OID:1.3.6.1.4.1.311.20.2.3
value=EXPLICIT:0,UTF8String:jan@firma
)" + kDirName)),
              hex(der));

    // The OID structure types of the subject alternative name decode the same.
    for (LPCSTR type : {X509_ALTERNATE_NAME, szOID_SUBJECT_ALT_NAME2, szOID_SUBJECT_ALT_NAME}) {
        auto decoded = decode<CERT_ALT_NAME_INFO>(type, der);
        ASSERT_TRUE(decoded);
        ASSERT_EQ(7u, decoded->cAltEntry);
        EXPECT_STREQ("1.3.6.1.4.1.311.20.2.3", decoded->rgAltEntry[0].pOtherName->pszObjId);
        EXPECT_EQ(hex(upnValue), hex(bytesOf(decoded->rgAltEntry[0].pOtherName->Value)));
        EXPECT_EQ(std::u16string(u"jan@firma.cz"), decoded->rgAltEntry[1].pwszRfc822Name);
        EXPECT_EQ(hex(kDirNameDer), hex(bytesOf(decoded->rgAltEntry[3].DirectoryName)));
        EXPECT_EQ("C0A80102", hex(bytesOf(decoded->rgAltEntry[5].IPAddress)));
        EXPECT_STREQ("1.2.3.4", decoded->rgAltEntry[6].pszRegisteredID);
    }
    expectRoundTrip(X509_ALTERNATE_NAME, der);
}

TEST(AlternativeName, RefusesNonAsciiWithEntryAndCharacterAndUnsupportedChoices) {
    CERT_ALT_NAME_ENTRY entries[2] = {};
    entries[0].dwAltNameChoice = CERT_ALT_NAME_DNS_NAME;
    entries[0].pwszDNSName = const_cast<LPWSTR>(u"ok.cz");
    entries[1].dwAltNameChoice = CERT_ALT_NAME_RFC822_NAME;
    entries[1].pwszRfc822Name = const_cast<LPWSTR>(u"jan@fírma.cz");
    CERT_ALT_NAME_INFO names{2, entries};
    DWORD size = 0;
    EXPECT_FALSE(CryptEncodeObject(X509_ASN_ENCODING, X509_ALTERNATE_NAME, &names, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_INVALID_IA5_STRING), GetLastError());
    EXPECT_EQ(1u, GET_CERT_ALT_NAME_ENTRY_ERR_INDEX(size));
    EXPECT_EQ(5u, GET_CERT_ALT_NAME_VALUE_ERR_INDEX(size));

    entries[1].dwAltNameChoice = CERT_ALT_NAME_X400_ADDRESS;
    EXPECT_FALSE(CryptEncodeObject(X509_ASN_ENCODING, X509_ALTERNATE_NAME, &names, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_BADTAG), decodeError(X509_ALTERNATE_NAME, fromHex("30 04 A3 02 05 00")));
}

TEST(Extensions, CriticalFlagOnlyWhenSetAndValuesAsOctetStrings) {
    const Bytes bc = fromHex("30030101FF");
    const Bytes ku = fromHex("030205A0");
    CERT_EXTENSION list[] = {{const_cast<LPSTR>(szOID_BASIC_CONSTRAINTS2), TRUE, blobOf(bc)},
                             {const_cast<LPSTR>(szOID_KEY_USAGE), FALSE, blobOf(ku)}};
    CERT_EXTENSIONS extensions{2, list};
    const Bytes der = encode(X509_EXTENSIONS, &extensions);
    EXPECT_EQ(hex(opensslGenconf(R"(asn1=SEQUENCE:exts
[exts]
e1=SEQUENCE:bc
e2=SEQUENCE:ku
[bc]
id=OID:2.5.29.19
crit=BOOLEAN:TRUE
v=FORMAT:HEX,OCTETSTRING:30030101FF
[ku]
id=OID:2.5.29.15
v=FORMAT:HEX,OCTETSTRING:030205A0
)")),
              hex(der));
    auto decoded = decode<CERT_EXTENSIONS>(szOID_CERT_EXTENSIONS, der);
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->rgExtension[0].fCritical);
    EXPECT_FALSE(decoded->rgExtension[1].fCritical);
    EXPECT_EQ(hex(ku), hex(bytesOf(decoded->rgExtension[1].Value)));
    expectRoundTrip(X509_EXTENSIONS, der);
}

TEST(KeyUsage, UnusedBitsAreCountedFromTheLastSetBit) {
    BYTE bits[] = {CERT_DIGITAL_SIGNATURE_KEY_USAGE | CERT_KEY_ENCIPHERMENT_KEY_USAGE, 0};
    CRYPT_BIT_BLOB usage{2, bits, 0};
    EXPECT_EQ("030205A0", hex(encode(X509_KEY_USAGE, &usage)));
    EXPECT_EQ("030205A0", hex(encode(szOID_KEY_USAGE, &usage)));
    BYTE decipherOnly[] = {0, CERT_DECIPHER_ONLY_KEY_USAGE};
    CRYPT_BIT_BLOB high{2, decipherOnly, 0};
    EXPECT_EQ("0303070080", hex(encode(X509_KEY_USAGE, &high)));
    BYTE none[] = {0};
    CRYPT_BIT_BLOB empty{1, none, 0};
    EXPECT_EQ("030100", hex(encode(X509_KEY_USAGE, &empty)));
    // X509_BITS keeps what it is given, clearing only the unused bits.
    BYTE given[] = {0xA7};
    CRYPT_BIT_BLOB asGiven{1, given, 3};
    EXPECT_EQ("030203A0", hex(encode(X509_BITS, &asGiven)));
    expectRoundTrip(X509_BITS, fromHex("030205A0"));
}

TEST(BasicConstraints, DefaultsAreLeftOut) {
    CERT_BASIC_CONSTRAINTS2_INFO ca{TRUE, TRUE, 0};
    EXPECT_EQ("30060101FF020100", hex(encode(X509_BASIC_CONSTRAINTS2, &ca)));
    CERT_BASIC_CONSTRAINTS2_INFO endEntity{FALSE, FALSE, 0};
    EXPECT_EQ("3000", hex(encode(szOID_BASIC_CONSTRAINTS2, &endEntity)));
    auto decoded = decode<CERT_BASIC_CONSTRAINTS2_INFO>(X509_BASIC_CONSTRAINTS2, fromHex("30060101FF020103"));
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->fCA);
    EXPECT_TRUE(decoded->fPathLenConstraint);
    EXPECT_EQ(3u, decoded->dwPathLenConstraint);
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT), decodeError(X509_BASIC_CONSTRAINTS2, fromHex("30 03 02 01 FF")));
}

TEST(EnhancedKeyUsage, ListOfOidsMatchesOpenssl) {
    LPSTR oids[] = {const_cast<LPSTR>(szOID_PKIX_KP_CLIENT_AUTH), const_cast<LPSTR>(szOID_PKIX_KP_EMAIL_PROTECTION)};
    CERT_ENHKEY_USAGE usage{2, oids};
    const Bytes der = encode(X509_ENHANCED_KEY_USAGE, &usage);
    EXPECT_EQ(hex(opensslGenconf("asn1=SEQUENCE:eku\n[eku]\na=OID:1.3.6.1.5.5.7.3.2\nb=OID:1.3.6.1.5.5.7.3.4\n")),
              hex(der));
    auto decoded = decode<CERT_ENHKEY_USAGE>(szOID_ENHANCED_KEY_USAGE, der);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(2u, decoded->cUsageIdentifier);
    EXPECT_STREQ(szOID_PKIX_KP_EMAIL_PROTECTION, decoded->rgpszUsageIdentifier[1]);
}

TEST(CertificatePolicies, QualifiersAreKeptAsTheyStand) {
    const Bytes cps = fromHex("1610687474703A2F2F66697276612F637073");
    CERT_POLICY_QUALIFIER_INFO qualifier{const_cast<LPSTR>(szOID_PKIX_POLICY_QUALIFIER_CPS), blobOf(cps)};
    CERT_POLICY_INFO list[] = {{const_cast<LPSTR>("1.3.6.1.4.1.32473.1.1"), 1, &qualifier},
                               {const_cast<LPSTR>(szOID_ANY_CERT_POLICY), 0, nullptr}};
    CERT_POLICIES_INFO policies{2, list};
    const Bytes der = encode(X509_CERT_POLICIES, &policies);
    EXPECT_EQ(hex(opensslGenconf(R"(asn1=SEQUENCE:policies
[policies]
p1=SEQUENCE:p1
p2=SEQUENCE:p2
[p1]
id=OID:1.3.6.1.4.1.32473.1.1
q=SEQUENCE:qualifiers
[qualifiers]
q1=SEQUENCE:cps
[cps]
id=OID:1.3.6.1.5.5.7.2.1
v=IA5STRING:http://firva/cps
[p2]
id=OID:2.5.29.32.0
)")),
              hex(der));
    auto decoded = decode<CERT_POLICIES_INFO>(szOID_CERT_POLICIES, der);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(hex(cps), hex(bytesOf(decoded->rgPolicyInfo[0].rgPolicyQualifier[0].Qualifier)));
    EXPECT_EQ(0u, decoded->rgPolicyInfo[1].cPolicyQualifier);
    expectRoundTrip(X509_CERT_POLICIES, der);
}

TEST(UserNotice, OrganizationVisibleAndTextBmp) {
    int numbers[] = {1, 2};
    CERT_POLICY_QUALIFIER_NOTICE_REFERENCE reference{const_cast<LPSTR>("Firma"), 2, numbers};
    CERT_POLICY_QUALIFIER_USER_NOTICE notice{&reference, const_cast<LPWSTR>(u"Poznámka")};
    const Bytes der = encode(X509_PKIX_POLICY_QUALIFIER_USERNOTICE, &notice);
    EXPECT_EQ(hex(opensslGenconf(R"(asn1=SEQUENCE:notice
[notice]
ref=SEQUENCE:ref
text=FORMAT:UTF8,BMPSTRING:Poznámka
[ref]
org=VISIBLESTRING:Firma
numbers=SEQUENCE:numbers
[numbers]
a=INTEGER:1
b=INTEGER:2
)")),
              hex(der));
    auto decoded = decode<CERT_POLICY_QUALIFIER_USER_NOTICE>(szOID_PKIX_POLICY_QUALIFIER_USERNOTICE, der);
    ASSERT_TRUE(decoded);
    EXPECT_STREQ("Firma", decoded->pNoticeReference->pszOrganization);
    EXPECT_EQ(2, decoded->pNoticeReference->rgNoticeNumbers[1]);
    EXPECT_EQ(std::u16string(u"Poznámka"), decoded->pszDisplayText);
    expectRoundTrip(X509_PKIX_POLICY_QUALIFIER_USERNOTICE, der);
}

TEST(CrlDistributionPoints, FullNameReasonsAndIssuer) {
    CERT_ALT_NAME_ENTRY url{};
    url.dwAltNameChoice = CERT_ALT_NAME_URL;
    url.pwszURL = const_cast<LPWSTR>(u"http://crl.firma.cz/ca.crl");
    CERT_ALT_NAME_ENTRY issuer{};
    issuer.dwAltNameChoice = CERT_ALT_NAME_DIRECTORY_NAME;
    issuer.DirectoryName = blobOf(kDirNameDer);
    BYTE reasons[] = {0x60};
    CRL_DIST_POINT points[2] = {};
    points[0].DistPointName.dwDistPointNameChoice = CRL_DIST_POINT_FULL_NAME;
    points[0].DistPointName.FullName = {1, &url};
    points[1].ReasonFlags = {1, reasons, 5};
    points[1].CRLIssuer = {1, &issuer};
    CRL_DIST_POINTS_INFO info{2, points};
    const Bytes der = encode(X509_CRL_DIST_POINTS, &info);
    EXPECT_EQ(hex(opensslGenconf(R"(asn1=SEQUENCE:cdp
[cdp]
p1=SEQUENCE:p1
p2=SEQUENCE:p2
[p1]
dp=IMPLICIT:0,SEQUENCE:dpname
[dpname]
full=IMPLICIT:0,SEQUENCE:full
[full]
url=IMPLICIT:6,IA5STRING:http://crl.firma.cz/ca.crl
[p2]
reasons=IMPLICIT:1,FORMAT:BITLIST,BITSTRING:1,2
issuer=IMPLICIT:2,SEQUENCE:issuer
[issuer]
dir=EXPLICIT:4,SEQUENCE:dirname
)" + kDirName)),
              hex(der));
    auto decoded = decode<CRL_DIST_POINTS_INFO>(szOID_CRL_DIST_POINTS, der);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(2u, decoded->cDistPoint);
    EXPECT_EQ(CRL_DIST_POINT_FULL_NAME, decoded->rgDistPoint[0].DistPointName.dwDistPointNameChoice);
    EXPECT_EQ(std::u16string(u"http://crl.firma.cz/ca.crl"),
              decoded->rgDistPoint[0].DistPointName.FullName.rgAltEntry[0].pwszURL);
    EXPECT_EQ(5u, decoded->rgDistPoint[1].ReasonFlags.cUnusedBits);
    EXPECT_EQ(hex(kDirNameDer), hex(bytesOf(decoded->rgDistPoint[1].CRLIssuer.rgAltEntry[0].DirectoryName)));
    expectRoundTrip(X509_CRL_DIST_POINTS, der);
}

TEST(AuthorityKeyId, KeyIdIssuerAndLittleEndianSerial) {
    BYTE keyId[] = {1, 2, 3, 4};
    BYTE serial[] = {0x00, 0x01};  // 0x0100, least significant byte first
    CERT_ALT_NAME_ENTRY issuer{};
    issuer.dwAltNameChoice = CERT_ALT_NAME_DIRECTORY_NAME;
    issuer.DirectoryName = blobOf(kDirNameDer);
    CERT_AUTHORITY_KEY_ID2_INFO aki{{4, keyId}, {1, &issuer}, {2, serial}};
    const Bytes der = encode(X509_AUTHORITY_KEY_ID2, &aki);
    EXPECT_EQ(hex(opensslGenconf(R"(asn1=SEQUENCE:aki
[aki]
id=IMPLICIT:0,FORMAT:HEX,OCTETSTRING:01020304
issuer=IMPLICIT:1,SEQUENCE:issuer
serial=IMPLICIT:2,INTEGER:0x0100
[issuer]
dir=EXPLICIT:4,SEQUENCE:dirname
)" + kDirName)),
              hex(der));
    auto decoded = decode<CERT_AUTHORITY_KEY_ID2_INFO>(szOID_AUTHORITY_KEY_IDENTIFIER2, der);
    ASSERT_TRUE(decoded);
    EXPECT_EQ("01020304", hex(bytesOf(decoded->KeyId)));
    EXPECT_EQ("0001", hex(bytesOf(decoded->AuthorityCertSerialNumber)));
    expectRoundTrip(X509_AUTHORITY_KEY_ID2, der);
}
