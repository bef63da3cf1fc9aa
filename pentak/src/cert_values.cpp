// cert_values.cpp: each value of a certificate's description as text.
#include "cert_values.h"

#include <cstdio>
#include <vector>

#include "common/codepage.h"
#include "common/cryptoapi.h"
#include "common/owned_context.h"
#include "common/strings.h"
#include "common/hex_decimal.h"
#include "win32/datetime.h"
#include "win32/error.h"

namespace {

constexpr long long kTicksPerDay = 864000000000LL;  // 100 ns units

std::u16string ascii(const std::string& text) { return {text.begin(), text.end()}; }
std::u16string ansi(const std::string& text) { return MultiByteToWide(text, CP_ACP); }
std::u16string decimal(long long number) { return ascii(std::to_string(number)); }

long long ticksOf(const FILETIME& time) {
    return static_cast<long long>(static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime);
}

std::u16string joined(const std::vector<std::string>& items) {
    std::u16string text;
    for (const std::string& item : items) {
        if (!text.empty()) text += u'|';
        text += ansi(item);
    }
    return text;
}

bool fail(DWORD error) {
    SetLastError(error);
    return false;
}

bool systemTimeOf(const FILETIME& time, bool local, SYSTEMTIME& out) {
    FILETIME shown = time;
    return (!local || FileTimeToLocalFileTime(&time, &shown)) && FileTimeToSystemTime(&shown, &out);
}

// The user's date format of the flag, a blank and the user's time format.
bool localeText(const SYSTEMTIME& time, DWORD dateFlag, std::u16string& out) {
    const int dateLength = GetDateFormatW(LOCALE_USER_DEFAULT, dateFlag, &time, nullptr, nullptr, 0);
    const int timeLength = GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, nullptr, 0);
    if (dateLength <= 0 || timeLength <= 0) return false;
    std::u16string date(static_cast<std::size_t>(dateLength), u'\0'), clock(static_cast<std::size_t>(timeLength), u'\0');
    if (!GetDateFormatW(LOCALE_USER_DEFAULT, dateFlag, &time, nullptr, date.data(), dateLength) ||
        !GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, clock.data(), timeLength))
        return false;
    date.resize(static_cast<std::size_t>(dateLength - 1));
    clock.resize(static_cast<std::size_t>(timeLength - 1));
    out = date + u' ' + clock;
    return true;
}

// One of the six forms of a date (offset from the date's first kind).
bool dateText(const FILETIME& time, LONG form, std::u16string& out) {
    SYSTEMTIME shown{};
    if (!systemTimeOf(time, form % 2 == 1, shown)) return false;
    if (form <= kDateLocalCompact) {
        char text[32];
        std::snprintf(text, sizeof text, "%04u%02u%02u%02u%02u%02u", shown.wYear, shown.wMonth, shown.wDay,
                      shown.wHour, shown.wMinute, shown.wSecond);
        out = ascii(text);
        return true;
    }
    return localeText(shown, form <= kDateLocalLong ? DATE_LONGDATE : DATE_SHORTDATE, out);
}

std::u16string hexOf(const std::vector<BYTE>& bytes) { return ascii(BytesToHex(bytes.data(), bytes.size())); }

std::u16string cardNumberOf(const CertInfo& info) {
    const OwnedCertContext context(CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING,
                                                                info.der.data(), static_cast<DWORD>(info.der.size())));
    std::u16string comment;
    if (!context || !TCryptoapi::GetNetscapeComment(context.get(), comment)) return {};
    return comment;
}

}  // namespace

bool CertValueText(const CertInfo& info, const CertKeyInfo& key, LONG kind, const FILETIME& now,
                   std::u16string& out) {
    if (kind >= kCertNotBefore && kind <= kCertNotBeforeLast) return dateText(info.notBefore, kind - kCertNotBefore, out);
    if (kind >= kCertNotAfter && kind < kCertSubjectKeyId) return dateText(info.notAfter, kind - kCertNotAfter, out);
    switch (kind) {
        case kCertSerialDecimal: {
            std::string text;
            if (!HexToDecimal(info.serialHex, text)) return fail(static_cast<DWORD>(CRYPT_E_BAD_ENCODE));
            out = ascii(text);
            return true;
        }
        case kCertSerialHex: out = ascii(info.serialHex); return true;
        case kCertKeyLength: out = decimal(info.keyLength); return true;
        case kCertPairNumber: out = ansi(info.authorityExtension); return true;
        case kCertSubjectKeyId: out = hexOf(info.subjectKeyId); return true;
        case kCertAuthorityKeyId: out = hexOf(info.authorityKeyId); return true;
        case kCertSignatureAlgOid:
            if (info.signatureAlgOid.empty()) return fail(static_cast<DWORD>(CRYPT_E_UNKNOWN_ALGO));
            out = ascii(info.signatureAlgOid);
            return true;
        case kCertProviderName: out = key.provider; return true;
        case kCertProviderType: out = decimal(key.providerType); return true;
        case kCertKeySpec: out = decimal(key.keySpec); return true;
        case kCertContainerName: out = key.container; return true;
        case kCertQcStatements: out = joined(info.qcStatementOids); return true;
        case kCertPolicies: out = joined(info.policyOids); return true;
        case kCertKeyUsage: out = decimal(info.keyUsage & 0xFFFF); return true;
        case kCertTimeValid:
            out = ticksOf(info.notBefore) <= ticksOf(now) && ticksOf(now) <= ticksOf(info.notAfter) ? u"TRUE" : u"FALSE";
            return true;
        case kCertDaysToNotAfter: out = decimal((ticksOf(info.notAfter) - ticksOf(now)) / kTicksPerDay); return true;
        case kCertDaysFromNotBefore: out = decimal((ticksOf(now) - ticksOf(info.notBefore)) / kTicksPerDay); return true;
        case kCertSubjectDn: out = ansi(info.subjectDn); return true;
        case kCertCardNumber: out = cardNumberOf(info); return true;
        default: return fail(ERROR_NOT_SUPPORTED);
    }
}
