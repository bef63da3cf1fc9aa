// Names as text: CertNameToStr against the texts Windows gives, CertStrToName
// back to the same DER, the errors with their positions, CertRDNValueToStr.
#include <gtest/gtest.h>

#include "crypt_support.h"
#include "platform/text.h"
#include "win32/crypt_names.h"

using namespace crypt_test;

namespace {

Bytes nameOf(const std::u16string& text, DWORD type = CERT_X500_NAME_STR) {
    DWORD size = 0;
    EXPECT_TRUE(CertStrToNameW(X509_ASN_ENCODING, text.c_str(), type, nullptr, nullptr, &size, nullptr))
        << std::hex << GetLastError();
    Bytes der(size);
    EXPECT_TRUE(CertStrToNameW(X509_ASN_ENCODING, text.c_str(), type, nullptr, der.data(), &size, nullptr));
    der.resize(size);
    return der;
}

std::u16string textOf(const Bytes& der, DWORD type) {
    CERT_NAME_BLOB blob = blobOf(der);
    const DWORD size = CertNameToStrW(X509_ASN_ENCODING, &blob, type, nullptr, 0);
    std::u16string text(size, u'\0');
    EXPECT_EQ(size, CertNameToStrW(X509_ASN_ENCODING, &blob, type, text.data(), size));
    text.resize(size - 1);
    return text;
}

// A name as text in the ANSI page, as the narrow callers read it.
std::string ansiOf(const Bytes& der, DWORD type) {
    CERT_NAME_BLOB blob = blobOf(der);
    char text[512];
    CertNameToStrA(X509_ASN_ENCODING, &blob, type, text, sizeof text);
    return text;
}

}  // namespace

TEST(NameText, X500FormMatchesWindowsAndReadsBackToTheSameDer) {
    const std::u16string golden = u"CN=Jan Novák, O=\"Firma, a.s.\", C=CZ";
    const Bytes der = nameOf(golden);
    EXPECT_EQ(golden, textOf(der, CERT_X500_NAME_STR));
    EXPECT_EQ(u"C=CZ, O=\"Firma, a.s.\", CN=Jan Novák", textOf(der, CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG));
    EXPECT_EQ(u"Jan Novák, \"Firma, a.s.\", CZ", textOf(der, CERT_SIMPLE_NAME_STR));
    EXPECT_EQ(u"2.5.4.3=Jan Novák, 2.5.4.10=\"Firma, a.s.\", 2.5.4.6=CZ", textOf(der, CERT_OID_NAME_STR));
    EXPECT_EQ(u"CN=Jan Novák; O=\"Firma, a.s.\"; C=CZ", textOf(der, CERT_X500_NAME_STR | CERT_NAME_STR_SEMICOLON_FLAG));
    EXPECT_EQ(u"CN=Jan Novák\r\nO=Firma, a.s.\r\nC=CZ",
              textOf(der, CERT_X500_NAME_STR | CERT_NAME_STR_CRLF_FLAG | CERT_NAME_STR_NO_QUOTING_FLAG));
    EXPECT_EQ(platform::text::toNarrow(golden), ansiOf(der, CERT_X500_NAME_STR));
    EXPECT_EQ(der, nameOf(textOf(der, CERT_X500_NAME_STR)));
}

TEST(NameText, KeysOfCryptoApiAndOidPrefixForUnknownOnes) {
    const Bytes der = nameOf(u"E=jan@firma.cz, SERIALNUMBER=P12345, S=Jihomoravský kraj, G=Jan, SN=Novák, "
                             u"T=Ing., I=J.N., STREET=Náměstí 1, L=Brno, OU=IT, DC=firma, OID.1.2.3.4=x");
    EXPECT_EQ(u"E=jan@firma.cz, SERIALNUMBER=P12345, S=Jihomoravský kraj, G=Jan, SN=Novák, T=Ing., I=J.N., "
              u"STREET=Náměstí 1, L=Brno, OU=IT, DC=firma, OID.1.2.3.4=x",
              textOf(der, CERT_X500_NAME_STR));
    // E is an IA5String; the other keys also read in their long and OID forms.
    auto name = decode<CERT_NAME_INFO>(X509_NAME, der);
    ASSERT_TRUE(name);
    EXPECT_EQ(CERT_RDN_IA5_STRING, name->rgRDN[0].rgRDNAttr[0].dwValueType);
    EXPECT_EQ(CERT_RDN_PRINTABLE_STRING, name->rgRDN[1].rgRDNAttr[0].dwValueType);
    EXPECT_EQ(CERT_RDN_BMP_STRING, name->rgRDN[2].rgRDNAttr[0].dwValueType);
    EXPECT_EQ(nameOf(u"Email=a@b, ST=x, GivenName=y, 2.5.4.3=z"), nameOf(u"E=a@b; S=x; G=y; CN=z"));
}

TEST(NameText, QuotingDoublesQuotesAndCoversBlanksAndSpecials) {
    const Bytes der = nameOf(u"CN=\" lead\", O=\"say \"\"hi\"\"\", OU=a=b, L=\"\", C=CZ");
    EXPECT_EQ(u"CN=\" lead\", O=\"say \"\"hi\"\"\", OU=\"a=b\", L=\"\", C=CZ", textOf(der, CERT_X500_NAME_STR));
    EXPECT_EQ(u"CN= lead, O=say \"hi\", OU=a=b, L=, C=CZ",
              textOf(der, CERT_X500_NAME_STR | CERT_NAME_STR_NO_QUOTING_FLAG));
}

TEST(NameText, MultiValuedRdnsUsePlusInDerOrder) {
    const Bytes der = nameOf(u"CN=Jan + OU=IT, C=CZ");
    EXPECT_EQ(u"OU=IT + CN=Jan, C=CZ", textOf(der, CERT_X500_NAME_STR));
    EXPECT_EQ(u"OU=IT CN=Jan, C=CZ", textOf(der, CERT_X500_NAME_STR | CERT_NAME_STR_NO_PLUS_FLAG));
    // With NO_PLUS a plus sign is an ordinary character.
    EXPECT_EQ(u"CN=\"a+b\"", textOf(nameOf(u"CN=a+b", CERT_X500_NAME_STR | CERT_NAME_STR_NO_PLUS_FLAG),
                                    CERT_X500_NAME_STR));
}

TEST(NameText, SeparatorFlagsNarrowWhatSeparatesRdns) {
    EXPECT_EQ(u"CN=\"a; O=b\"", textOf(nameOf(u"CN=a; O=b", CERT_X500_NAME_STR | CERT_NAME_STR_COMMA_FLAG),
                                        CERT_X500_NAME_STR));
    EXPECT_EQ(u"CN=\"a, O=b\"", textOf(nameOf(u"CN=a, O=b", CERT_X500_NAME_STR | CERT_NAME_STR_SEMICOLON_FLAG),
                                        CERT_X500_NAME_STR));
    EXPECT_EQ(u"CN=a, O=b", textOf(nameOf(u"CN=a\r\nO=b", CERT_X500_NAME_STR | CERT_NAME_STR_CRLF_FLAG),
                                   CERT_X500_NAME_STR));
}

TEST(NameText, HexValuesAreOctetStrings) {
    const Bytes der = nameOf(u"1.2.3.4=# AB CD 01");
    auto name = decode<CERT_NAME_INFO>(X509_NAME, der);
    ASSERT_TRUE(name);
    EXPECT_EQ(CERT_RDN_OCTET_STRING, name->rgRDN[0].rgRDNAttr[0].dwValueType);
    EXPECT_EQ(u"OID.1.2.3.4=#ABCD01", textOf(der, CERT_X500_NAME_STR));
}

TEST(NameText, StrToNameReportsWhereTheTextIsWrong) {
    const auto failsAt = [](const char* text, DWORD code, std::ptrdiff_t at, DWORD type = CERT_X500_NAME_STR) {
        DWORD size = 0;
        LPCSTR error = nullptr;
        EXPECT_FALSE(CertStrToNameA(X509_ASN_ENCODING, text, type, nullptr, nullptr, &size, &error)) << text;
        EXPECT_EQ(code, GetLastError()) << text;
        ASSERT_NE(nullptr, error) << text;
        EXPECT_EQ(at, error - text) << text;
    };
    const DWORD x500 = static_cast<DWORD>(CRYPT_E_INVALID_X500_STRING);
    failsAt("CN=Jan, XX=1", x500, 8);
    failsAt("CN=Jan, O", x500, 8);
    failsAt("CN=\"Jan", x500, 3);
    failsAt("CN=Jan,", x500, 7);
    failsAt("1.2.3=#ABC", x500, 6);
    failsAt("C=\xC8R", static_cast<DWORD>(CRYPT_E_INVALID_PRINTABLE_STRING), 2);
    LPCSTR error = reinterpret_cast<LPCSTR>(1);
    DWORD size = 0;
    EXPECT_TRUE(CertStrToNameA(X509_ASN_ENCODING, "CN=ok", CERT_X500_NAME_STR, nullptr, nullptr, &size, &error));
    EXPECT_EQ(nullptr, error);
    EXPECT_FALSE(CertStrToNameA(X509_ASN_ENCODING, "CN=ok", CERT_SIMPLE_NAME_STR, nullptr, nullptr, &size, nullptr));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());
}

TEST(NameText, ShortBuffersAreCutAndUndecodableNamesGiveAnEmptyText) {
    const Bytes der = nameOf(u"CN=Jan");
    CERT_NAME_BLOB blob = blobOf(der);
    char text[5] = "xxxx";
    EXPECT_EQ(7u, CertNameToStrA(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, nullptr, 0));
    EXPECT_EQ(5u, CertNameToStrA(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, text, 5));
    EXPECT_STREQ("CN=J", text);
    const Bytes garbage = fromHex("30 05 31");
    CERT_NAME_BLOB bad = blobOf(garbage);
    EXPECT_EQ(1u, CertNameToStrA(X509_ASN_ENCODING, &bad, CERT_X500_NAME_STR, text, 5));
    EXPECT_STREQ("", text);
}

TEST(RdnValueText, EachValueTypeAsText) {
    const char16_t bmp[] = u"Kůň";
    CERT_RDN_VALUE_BLOB wide{6, reinterpret_cast<BYTE*>(const_cast<char16_t*>(bmp))};
    WCHAR out[16];
    EXPECT_EQ(4u, CertRDNValueToStrW(CERT_RDN_BMP_STRING, &wide, out, 16));
    EXPECT_EQ(std::u16string(u"Kůň"), out);
    char narrow[16];
    EXPECT_EQ(4u, CertRDNValueToStrA(CERT_RDN_UTF8_STRING, &wide, narrow, 16));
    EXPECT_EQ(platform::text::toNarrow(u"Kůň"), narrow);
    BYTE latin[] = {'a', 0xE1};  // 8-bit strings keep their bytes in the narrow form
    CERT_RDN_VALUE_BLOB bytes{2, latin};
    EXPECT_EQ(3u, CertRDNValueToStrA(CERT_RDN_PRINTABLE_STRING, &bytes, narrow, 16));
    EXPECT_EQ(std::string("a\xE1"), narrow);
    EXPECT_EQ(6u, CertRDNValueToStrA(CERT_RDN_OCTET_STRING, &bytes, nullptr, 0));
    EXPECT_EQ(6u, CertRDNValueToStrA(CERT_RDN_OCTET_STRING, &bytes, narrow, 16));
    EXPECT_STREQ("#61E1", narrow);
}
