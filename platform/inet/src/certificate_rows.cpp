// certificate_rows.cpp: the texts of a certificate in a list.
#include "certificate_rows.h"

#include "platform/crypt_names.h"
#include "platform/text.h"
#include "win32/crypt_oid.h"
#include "win32/crypt_store.h"
#include "win32/datetime.h"
#include "win32/error.h"

namespace platform::inet {

namespace {

std::string nameOf(PCCERT_CONTEXT certificate, DWORD flags) {
    return text::toUtf8(crypt::certificateName(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, flags));
}

std::string dateOf(const FILETIME& utc) {
    FILETIME local{};
    SYSTEMTIME date{};
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &date)) return {};
    char16_t text[64] = {};
    if (!GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &date, nullptr, text, 64)) return {};
    return text::toUtf8(text);
}

std::string usagesOf(PCCERT_CONTEXT certificate) {
    DWORD size = 0;
    if (!CertGetEnhancedKeyUsage(certificate, 0, nullptr, &size)) return {};
    std::vector<BYTE> block(size);
    auto* usage = reinterpret_cast<PCERT_ENHKEY_USAGE>(block.data());
    if (!CertGetEnhancedKeyUsage(certificate, 0, usage, &size)) return {};
    if (usage->cUsageIdentifier == 0)
        return GetLastError() == static_cast<DWORD>(CRYPT_E_NOT_FOUND) ? "<Všechny>" : "<Žádné>";
    std::string names;
    for (DWORD i = 0; i < usage->cUsageIdentifier; ++i) {
        LPSTR oid = usage->rgpszUsageIdentifier[i];
        const PCCRYPT_OID_INFO info = CryptFindOIDInfo(CRYPT_OID_INFO_OID_KEY, oid, CRYPT_ENHKEY_USAGE_OID_GROUP_ID);
        names += (names.empty() ? "" : ", ") + (info && info->pwszName ? text::toUtf8(info->pwszName) : std::string(oid));
    }
    return names;
}

}  // namespace

std::vector<std::string> certificateColumns() { return {"Vystaveno pro", "Vystavitel", "Platnost do", "Zamýšlené účely"}; }

std::vector<std::string> certificateRow(PCCERT_CONTEXT certificate) {
    return {nameOf(certificate, 0), nameOf(certificate, CERT_NAME_ISSUER_FLAG), dateOf(certificate->pCertInfo->NotAfter),
            usagesOf(certificate)};
}

}  // namespace platform::inet
