#include "extension_texts.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>

#include "certificate_texts.h"
#include "platform/text.h"
#include "win32/crypt_names.h"
#include "win32/crypt_oid.h"
#include "win32/memory.h"

namespace platform::cryptui {

namespace {

// A decoded value in one block, released with LocalFree.
template <class T>
class Decoded {
public:
    Decoded(LPCSTR type, const CERT_EXTENSION& extension) {
        DWORD size = 0;
        CryptDecodeObjectEx(X509_ASN_ENCODING, type, extension.Value.pbData, extension.Value.cbData,
                            CRYPT_DECODE_ALLOC_FLAG, nullptr, &m_value, &size);
    }
    ~Decoded() { LocalFree(m_value); }
    Decoded(const Decoded&) = delete;
    Decoded& operator=(const Decoded&) = delete;
    const T* get() const noexcept { return static_cast<const T*>(m_value); }

private:
    void* m_value = nullptr;
};

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string wideText(LPCWSTR s) { return s ? text::toUtf8(s) : std::string(); }

std::string ipText(const CRYPT_DATA_BLOB& address) {
    std::string text;
    if (address.cbData == 4) {
        for (DWORD i = 0; i < 4; ++i) text += (i ? "." : "") + std::to_string(address.pbData[i]);
        return text;
    }
    return hexText(address.pbData, address.cbData);
}

std::string altNamesText(const CERT_ALT_NAME_INFO& names) {
    std::vector<std::string> items;
    for (DWORD i = 0; i < names.cAltEntry; ++i) {
        const auto& entry = names.rgAltEntry[i];
        switch (entry.dwAltNameChoice) {
        case CERT_ALT_NAME_RFC822_NAME: items.push_back("Název RFC822=" + wideText(entry.pwszRfc822Name)); break;
        case CERT_ALT_NAME_DNS_NAME: items.push_back("Název DNS=" + wideText(entry.pwszDNSName)); break;
        case CERT_ALT_NAME_URL: items.push_back("Adresa URL=" + wideText(entry.pwszURL)); break;
        case CERT_ALT_NAME_IP_ADDRESS: items.push_back("Adresa IP=" + ipText(entry.IPAddress)); break;
        case CERT_ALT_NAME_OTHER_NAME:
            items.push_back("Jiný název=" + std::string(entry.pOtherName->pszObjId) + ": " +
                            hexText(entry.pOtherName->Value.pbData, entry.pOtherName->Value.cbData));
            break;
        case CERT_ALT_NAME_DIRECTORY_NAME: {
            const DWORD type = CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG;
            std::u16string name(CertNameToStrW(X509_ASN_ENCODING, &entry.DirectoryName, type, nullptr, 0), u'\0');
            CertNameToStrW(X509_ASN_ENCODING, &entry.DirectoryName, type, name.data(), static_cast<DWORD>(name.size()));
            items.push_back("Název adresáře=" + wideText(name.c_str()));
            break;
        }
        default: items.push_back("Registrované ID=" + std::string(entry.pszRegisteredID ? entry.pszRegisteredID : ""));
        }
    }
    return joined(items);
}

struct UsageBit {
    BYTE mask;
    bool secondByte;
    const char* name;
};

constexpr std::array<UsageBit, 9> kUsageBits{{
    {CERT_DIGITAL_SIGNATURE_KEY_USAGE, false, "Digitální podpis"},
    {CERT_NON_REPUDIATION_KEY_USAGE, false, "Nepopiratelnost"},
    {CERT_KEY_ENCIPHERMENT_KEY_USAGE, false, "Šifrování klíče"},
    {CERT_DATA_ENCIPHERMENT_KEY_USAGE, false, "Šifrování dat"},
    {CERT_KEY_AGREEMENT_KEY_USAGE, false, "Dohoda o klíči"},
    {CERT_KEY_CERT_SIGN_KEY_USAGE, false, "Podepisování certifikátů"},
    {CERT_CRL_SIGN_KEY_USAGE, false, "Podepisování seznamů CRL"},
    {CERT_ENCIPHER_ONLY_KEY_USAGE, false, "Pouze šifrování"},
    {CERT_DECIPHER_ONLY_KEY_USAGE, true, "Pouze dešifrování"},
}};

std::optional<std::string> keyUsageText(const CERT_EXTENSION& extension) {
    const Decoded<CRYPT_BIT_BLOB> bits(X509_KEY_USAGE, extension);
    if (!bits.get()) return std::nullopt;
    const BYTE first = bits.get()->cbData > 0 ? bits.get()->pbData[0] : 0;
    const BYTE second = bits.get()->cbData > 1 ? bits.get()->pbData[1] : 0;
    std::vector<std::string> names;
    for (const auto& bit : kUsageBits)
        if ((bit.secondByte ? second : first) & bit.mask) names.emplace_back(bit.name);
    return joined(names) + " (" + hexText(bits.get()->pbData, bits.get()->cbData) + ")";
}

std::optional<std::string> basicConstraintsText(const CERT_EXTENSION& extension) {
    const Decoded<CERT_BASIC_CONSTRAINTS2_INFO> info(X509_BASIC_CONSTRAINTS2, extension);
    if (!info.get()) return std::nullopt;
    return std::string("Typ subjektu=") + (info.get()->fCA ? "CA" : "Koncová entita") + ", Omezení délky cesty=" +
           (info.get()->fPathLenConstraint ? std::to_string(info.get()->dwPathLenConstraint) : "Žádné");
}

std::optional<std::string> enhancedUsageText(const CERT_EXTENSION& extension) {
    const Decoded<CERT_ENHKEY_USAGE> usage(X509_ENHANCED_KEY_USAGE, extension);
    if (!usage.get()) return std::nullopt;
    std::vector<std::string> items;
    for (DWORD i = 0; i < usage.get()->cUsageIdentifier; ++i) {
        const LPCSTR oid = usage.get()->rgpszUsageIdentifier[i];
        items.push_back(oidName(oid, CRYPT_ENHKEY_USAGE_OID_GROUP_ID) + " (" + oid + ")");
    }
    return joined(items);
}

std::optional<std::string> altNameText(const CERT_EXTENSION& extension) {
    const Decoded<CERT_ALT_NAME_INFO> names(X509_ALTERNATE_NAME, extension);
    if (!names.get()) return std::nullopt;
    return altNamesText(*names.get());
}

std::optional<std::string> subjectKeyIdText(const CERT_EXTENSION& extension) {
    const Decoded<CRYPT_DATA_BLOB> id(szOID_SUBJECT_KEY_IDENTIFIER, extension);
    if (!id.get()) return std::nullopt;
    return hexText(id.get()->pbData, id.get()->cbData);
}

std::optional<std::string> authorityKeyIdText(const CERT_EXTENSION& extension) {
    const Decoded<CERT_AUTHORITY_KEY_ID2_INFO> id(X509_AUTHORITY_KEY_ID2, extension);
    if (!id.get()) return std::nullopt;
    std::vector<std::string> items;
    if (id.get()->KeyId.cbData) items.push_back("ID klíče=" + hexText(id.get()->KeyId.pbData, id.get()->KeyId.cbData));
    if (id.get()->AuthorityCertIssuer.cAltEntry)
        items.push_back("Vystavitel certifikátu=" + altNamesText(id.get()->AuthorityCertIssuer));
    if (const auto& serial = id.get()->AuthorityCertSerialNumber; serial.cbData) {
        std::vector<BYTE> bigEndian(serial.pbData, serial.pbData + serial.cbData);
        std::reverse(bigEndian.begin(), bigEndian.end());
        items.push_back("Sériové číslo certifikátu=" + hexText(bigEndian.data(), serial.cbData));
    }
    return joined(items);
}

std::optional<std::string> distributionPointsText(const CERT_EXTENSION& extension) {
    const Decoded<CRL_DIST_POINTS_INFO> points(X509_CRL_DIST_POINTS, extension);
    if (!points.get()) return std::nullopt;
    std::vector<std::string> items;
    for (DWORD i = 0; i < points.get()->cDistPoint; ++i) {
        const auto& name = points.get()->rgDistPoint[i].DistPointName;
        if (name.dwDistPointNameChoice == CRL_DIST_POINT_FULL_NAME) items.push_back(altNamesText(name.FullName));
    }
    return joined(items);
}

std::optional<std::string> policiesText(const CERT_EXTENSION& extension) {
    const Decoded<CERT_POLICIES_INFO> policies(X509_CERT_POLICIES, extension);
    if (!policies.get()) return std::nullopt;
    std::vector<std::string> items;
    for (DWORD i = 0; i < policies.get()->cPolicyInfo; ++i)
        items.push_back(std::string("Identifikátor zásad=") + policies.get()->rgPolicyInfo[i].pszPolicyIdentifier);
    return joined(items);
}

struct Formatter {
    const char* oid;
    const char* name;
    std::optional<std::string> (*text)(const CERT_EXTENSION&);
};

const std::array<Formatter, 10> kFormatters{{
    {szOID_KEY_USAGE, "Použití klíče", keyUsageText},
    {szOID_BASIC_CONSTRAINTS2, "Základní omezení", basicConstraintsText},
    {szOID_ENHANCED_KEY_USAGE, "Rozšířené použití klíče", enhancedUsageText},
    {szOID_SUBJECT_ALT_NAME2, "Alternativní název předmětu", altNameText},
    {szOID_SUBJECT_ALT_NAME, "Alternativní název předmětu", altNameText},
    {szOID_ISSUER_ALT_NAME2, "Alternativní název vystavitele", altNameText},
    {szOID_SUBJECT_KEY_IDENTIFIER, "Identifikátor klíče předmětu", subjectKeyIdText},
    {szOID_AUTHORITY_KEY_IDENTIFIER2, "Identifikátor klíče úřadu", authorityKeyIdText},
    {szOID_CRL_DIST_POINTS, "Distribuční body CRL", distributionPointsText},
    {szOID_CERT_POLICIES, "Zásady certifikátu", policiesText},
}};

ui::CertificateLine lineOf(const CERT_EXTENSION& extension) {
    const char* oid = extension.pszObjId ? extension.pszObjId : "";
    std::optional<std::string> value;
    std::string name;
    for (const auto& formatter : kFormatters) {
        if (std::strcmp(formatter.oid, oid) != 0) continue;
        name = formatter.name;
        value = formatter.text(extension);
        break;
    }
    if (name.empty()) name = oidName(oid, CRYPT_EXT_OR_ATTR_OID_GROUP_ID);
    if (extension.fCritical) name += " (kritické)";
    return {name, value ? *value : hexText(extension.Value.pbData, extension.Value.cbData)};
}

}  // namespace

std::vector<ui::CertificateLine> extensionLines(const CERT_INFO& info) {
    std::vector<ui::CertificateLine> lines;
    for (DWORD i = 0; i < info.cExtension; ++i) lines.push_back(lineOf(info.rgExtension[i]));
    return lines;
}

}  // namespace platform::cryptui
