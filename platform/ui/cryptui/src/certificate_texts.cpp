#include "certificate_texts.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/crypt_names.h"
#include "platform/text.h"
#include "win32/crypt_names.h"
#include "win32/crypt_oid.h"
#include "win32/cryptui.h"
#include "win32/datetime.h"
#include "win32/error.h"

namespace platform::cryptui {

namespace {

struct Column {
    DWORD bit;
    const char* title;
};

// The order users know from the selection dialog.
constexpr std::array<Column, 6> kColumns{{
    {CRYPTUI_SELECT_ISSUEDTO_COLUMN, "Vystaveno pro"},
    {CRYPTUI_SELECT_ISSUEDBY_COLUMN, "Vystavitel"},
    {CRYPTUI_SELECT_INTENDEDUSE_COLUMN, "Zamýšlené účely"},
    {CRYPTUI_SELECT_FRIENDLYNAME_COLUMN, "Popisný název"},
    {CRYPTUI_SELECT_EXPIRATION_COLUMN, "Datum vypršení platnosti"},
    {CRYPTUI_SELECT_LOCATION_COLUMN, "Umístění"},
}};

std::string propertyText(PCCERT_CONTEXT certificate, DWORD property) {
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(certificate, property, nullptr, &size) || size < sizeof(WCHAR)) return {};
    std::u16string wide(size / sizeof(WCHAR), u'\0');
    if (!CertGetCertificateContextProperty(certificate, property, wide.data(), &size)) return {};
    wide.resize(text::length(wide.c_str()));
    return text::toUtf8(wide);
}

std::string purposesText(PCCERT_CONTEXT certificate) {
    DWORD size = 0;
    SetLastError(0);
    if (!CertGetEnhancedKeyUsage(certificate, 0, nullptr, &size)) return "<Žádné>";
    std::vector<BYTE> block(size);
    auto* usage = reinterpret_cast<PCERT_ENHKEY_USAGE>(block.data());
    SetLastError(0);
    if (!CertGetEnhancedKeyUsage(certificate, 0, usage, &size)) return "<Žádné>";
    if (usage->cUsageIdentifier == 0) return GetLastError() == static_cast<DWORD>(CRYPT_E_NOT_FOUND) ? "<Všechny>" : "<Žádné>";
    std::string text;
    for (DWORD i = 0; i < usage->cUsageIdentifier; ++i)
        text += (i ? ", " : "") + oidName(usage->rgpszUsageIdentifier[i], CRYPT_ENHKEY_USAGE_OID_GROUP_ID);
    return text;
}

std::string locationText(PCCERT_CONTEXT certificate) {
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size))
        return "<Není k dispozici>";
    std::vector<BYTE> block(size);
    const auto* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(block.data());
    if (!CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, block.data(), &size) ||
        !info->pwszProvName)
        return "<Není k dispozici>";
    return text::toUtf8(info->pwszProvName);
}

SYSTEMTIME localTime(const FILETIME& utc) {
    FILETIME local{};
    SYSTEMTIME time{};
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &time);
    return time;
}

std::string dateText(const FILETIME& utc) {
    const SYSTEMTIME time = localTime(utc);
    std::array<WCHAR, 64> buffer{};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, buffer.data(), buffer.size());
    return text::toUtf8(buffer.data());
}

std::string dateTimeText(const FILETIME& utc) {
    const SYSTEMTIME time = localTime(utc);
    std::array<WCHAR, 64> buffer{};
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, buffer.data(), buffer.size());
    return dateText(utc) + " " + text::toUtf8(buffer.data());
}

std::string nameText(const CERT_NAME_BLOB& name) {
    const DWORD type = CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG;
    std::u16string wide(CertNameToStrW(X509_ASN_ENCODING, &name, type, nullptr, 0), u'\0');
    CertNameToStrW(X509_ASN_ENCODING, &name, type, wide.data(), static_cast<DWORD>(wide.size()));
    wide.resize(text::length(wide.c_str()));
    return text::toUtf8(wide);
}

std::string serialText(const CRYPT_INTEGER_BLOB& serial) {
    // Kept little-endian; shown most significant byte first.
    std::vector<BYTE> bigEndian(serial.pbData, serial.pbData + serial.cbData);
    std::reverse(bigEndian.begin(), bigEndian.end());
    return hexText(bigEndian.data(), static_cast<DWORD>(bigEndian.size()));
}

std::string publicKeyText(const CERT_INFO& info) {
    auto& key = const_cast<CERT_PUBLIC_KEY_INFO&>(info.SubjectPublicKeyInfo);
    std::string text = oidName(key.Algorithm.pszObjId, CRYPT_PUBKEY_ALG_OID_GROUP_ID);
    if (const DWORD bits = CertGetPublicKeyLength(X509_ASN_ENCODING, &key)) text += " (" + std::to_string(bits) + " bitů)";
    return text + ": " + hexText(key.PublicKey.pbData, key.PublicKey.cbData);
}

std::string thumbprintText(PCCERT_CONTEXT certificate) {
    std::array<BYTE, 20> hash{};
    DWORD size = hash.size();
    if (!CertGetCertificateContextProperty(certificate, CERT_SHA1_HASH_PROP_ID, hash.data(), &size)) return {};
    return hexText(hash.data(), size);
}

std::string cellText(PCCERT_CONTEXT certificate, DWORD column) {
    switch (column) {
    case CRYPTUI_SELECT_ISSUEDTO_COLUMN: return displayName(certificate);
    case CRYPTUI_SELECT_ISSUEDBY_COLUMN: return displayName(certificate, CERT_NAME_ISSUER_FLAG);
    case CRYPTUI_SELECT_INTENDEDUSE_COLUMN: return purposesText(certificate);
    case CRYPTUI_SELECT_FRIENDLYNAME_COLUMN: {
        const auto name = friendlyName(certificate);
        return name.empty() ? "<Žádný>" : name;
    }
    case CRYPTUI_SELECT_EXPIRATION_COLUMN: return dateText(certificate->pCertInfo->NotAfter);
    default: return locationText(certificate);
    }
}

}  // namespace

void closeStore(HCERTSTORE store) noexcept { CertCloseStore(store, 0); }

std::vector<std::string> columnTitles(DWORD hidden) {
    std::vector<std::string> titles;
    for (const auto& column : kColumns)
        if (!(hidden & column.bit)) titles.emplace_back(column.title);
    return titles;
}

std::vector<std::string> rowCells(PCCERT_CONTEXT certificate, DWORD hidden) {
    std::vector<std::string> cells;
    for (const auto& column : kColumns)
        if (!(hidden & column.bit)) cells.push_back(cellText(certificate, column.bit));
    return cells;
}

std::vector<ui::CertificateLine> summaryLines(PCCERT_CONTEXT certificate) {
    const CERT_INFO& info = *certificate->pCertInfo;
    return {
        {"Vystaveno pro", displayName(certificate)},
        {"Vystavitel", displayName(certificate, CERT_NAME_ISSUER_FLAG)},
        {"Platnost", "od " + dateText(info.NotBefore) + " do " + dateText(info.NotAfter)},
        {"Zamýšlené účely", purposesText(certificate)},
    };
}

std::vector<ui::CertificateLine> fieldLines(PCCERT_CONTEXT certificate) {
    const CERT_INFO& info = *certificate->pCertInfo;
    return {
        {"Verze", "V" + std::to_string(info.dwVersion + 1)},
        {"Sériové číslo", serialText(info.SerialNumber)},
        {"Algoritmus podpisu", oidName(info.SignatureAlgorithm.pszObjId, CRYPT_SIGN_ALG_OID_GROUP_ID)},
        {"Vystavitel", nameText(info.Issuer)},
        {"Platnost od", dateTimeText(info.NotBefore)},
        {"Platnost do", dateTimeText(info.NotAfter)},
        {"Předmět", nameText(info.Subject)},
        {"Veřejný klíč", publicKeyText(info)},
        {"Kryptografický otisk (SHA-1)", thumbprintText(certificate)},
    };
}

std::string friendlyName(PCCERT_CONTEXT certificate) { return propertyText(certificate, CERT_FRIENDLY_NAME_PROP_ID); }

std::string displayName(PCCERT_CONTEXT certificate, DWORD flags) {
    return text::toUtf8(crypt::certificateName(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, flags));
}

std::string hexText(const BYTE* bytes, DWORD count) {
    std::string text;
    for (DWORD i = 0; i < count; ++i) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        text += (i ? " " : "") + std::string(digits);
    }
    return text;
}

std::string oidName(LPCSTR oid, DWORD group) {
    if (!oid) return {};
    const auto* info = CryptFindOIDInfo(CRYPT_OID_INFO_OID_KEY, const_cast<char*>(oid), group);
    return info && info->pwszName && *info->pwszName ? text::toUtf8(info->pwszName) : std::string(oid);
}

}  // namespace platform::cryptui
