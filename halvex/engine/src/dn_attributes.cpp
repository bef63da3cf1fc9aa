#include "halvex/dn_attributes.h"

#include "halvex/resource_strings.h"

namespace halvex {
namespace {

struct Row {
    const char* oid;
    int number;
    const char16_t* shortName;
    const char16_t* longName;
    unsigned displayId;  // 0: the attribute has no names
};

constexpr Row kRows[] = {
    {"2.5.4.3", 13, u"CN", u"commonName", 33057},
    {"2.5.4.4", 100, u"S", u"surname", 33058},
    {"2.5.4.6", 14, u"C", u"countryName", 33059},
    {"2.5.4.7", 15, u"L", u"localityName", 33060},
    {"2.5.4.8", 16, u"ST", u"stateOrProvinceName", 33061},
    {"2.5.4.10", 17, u"O", u"organizationName", 33062},
    {"2.5.4.11", 18, u"OU", u"organizationalUnitName", 33063},
    {"2.5.4.12", 106, u"T", u"title", 33064},
    {"2.5.4.41", 173, u"NAME", u"name", 33065},
    {"2.5.4.42", 99, u"G", u"givenName", 33066},
    {"2.5.4.43", 101, u"I", u"initials", 33067},
    {"1.2.840.113549.1.9.1", 48, u"E", u"emailAddress", 33068},
    {"2.5.4.5", 105, u"SN", u"serialNumber", 33069},
    {"2.5.4.44", 509, u"GQ", u"generationQualifier", 33070},
    {"2.5.4.65", 510, u"PS", u"Pseudonym", 33071},
    {"1.3.6.1.4.1.11801.2.1", 419, nullptr, nullptr, 0},
    {"1.3.6.1.4.1.11801.2.3", 420, nullptr, nullptr, 0},
    {"2.5.29.37.0", 126, u"extendedKeyUsage", u"TLS Web Server Authentication", 33197},
    {"1.3.6.1.5.5.7.3.1", 129, u"extendedKeyUsage", u"X509v3 Extended Key Usage", 33152},
    {"1.3.6.1.5.5.7.3.2", 130, u"clientAuth", u"TLS Web Client Authentication", 33119},
    {"1.3.6.1.5.5.7.3.3", 131, u"codeSigning", u"Code Signing", 33153},
    {"1.3.6.1.5.5.7.3.4", 132, u"emailProtection", u"E-mail Protection", 33154},
    {"1.3.6.1.4.1.311.20.2.2", 648, u"msSmartcardLogin", u"Microsoft Smartcardlogin", 33120},
};

}  // namespace

int DnAttrNumber(const std::string& oid) {
    for (const Row& row : kRows)
        if (oid == row.oid) return row.number;
    return 0;
}

DnAttrName DnAttrNames(int number) {
    for (const Row& row : kRows)
        if (row.number == number && row.displayId != 0)
            return {row.shortName, LoadResString(row.displayId), row.longName};
    return {u"???", u"???", u"???"};
}

}  // namespace halvex
