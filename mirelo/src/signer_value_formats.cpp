// The value formatters: a selector picks a field, or a time field and one
// of its six forms.
#include "signer_values.h"

#include <algorithm>
#include <ctime>
#include <optional>

#include "common/cryptoapi.h"
#include "common/hex_decimal.h"
#include "common/strings.h"
#include "common/time_text.h"
#include "win32/datetime.h"

namespace {

constexpr LONG kTimeForms = 6;
constexpr LONG kBadSelector = 30;
constexpr DWORD kHashGroup = 1;

bool isAbsent(const FILETIME& time) { return time.dwLowDateTime == 0 && time.dwHighDateTime == 0; }

// The field of a selector in [first, first + 6) as one of the time forms.
std::optional<std::string> timeField(LONG selector, LONG first, const FILETIME& time) {
    if (selector < first || selector >= first + kTimeForms) return std::nullopt;
    return FormatTimeValue(time, selector - first);
}

LONG give(std::string value, std::string& out) {
    out = std::move(value);
    return 0;
}

// The serial's digits in decimal; empty when they are no hexadecimal number.
std::string DecimalSerial(std::string digits) {
    std::erase(digits, ' ');
    std::string decimal;
    return HexToDecimal(digits, decimal) ? decimal : std::string();
}

std::string HexText(const std::vector<BYTE>& bytes) { return BytesToHex(bytes.data(), bytes.size()); }

std::string CommonName(const CertInfo& certificate) {
    const auto cn = std::find_if(certificate.subjectRdn.begin(), certificate.subjectRdn.end(),
                                 [](const TRDNAttr& attribute) { return attribute.oid == "2.5.4.3"; });
    return cn == certificate.subjectRdn.end() ? std::string() : cn->value;
}

constexpr long long kTicksPerSecond = 10'000'000;
constexpr long long kUnixEpochSeconds = 11'644'473'600;  // 1601-01-01 to 1970-01-01

}  // namespace

FILETIME UtcToLocalAt(const FILETIME& utc) {
    const long long ticks = static_cast<long long>((static_cast<ULONGLONG>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime);
    const time_t seconds = static_cast<time_t>(ticks / kTicksPerSecond - kUnixEpochSeconds);
    tzset();
    tm local{};
    if (!localtime_r(&seconds, &local)) return utc;
    const auto shifted = static_cast<ULONGLONG>(ticks + static_cast<long long>(local.tm_gmtoff) * kTicksPerSecond);
    return FILETIME{static_cast<DWORD>(shifted & 0xFFFFFFFFu), static_cast<DWORD>(shifted >> 32)};
}

std::string DigestAlgorithmName(const std::string& oid) {
    const std::string known = TCryptoapi::CheckHashAlgOid(oid, 0);
    return known.empty() ? std::string() : TCryptoapi::GetAlgName(TCryptoapi::OidToAlgId(known), kHashGroup);
}

std::string FormatTimeValue(const FILETIME& time, LONG form) {
    if (isAbsent(time)) return {};
    const FILETIME shown = form >= 3 ? UtcToLocalAt(time) : time;
    switch (form % 3) {
    case 0: return FileTimeToCompactString(shown);
    case 1: return FileTimeToLocalText(DATE_SHORTDATE, shown);
    default: return FileTimeToLocalText(DATE_LONGDATE, shown);
    }
}

LONG FormatSignPolicyValue(const SignPolicyInfo& policy, LONG selector, std::string& out) {
    for (const auto& [first, time] : {std::pair{1L, policy.dateOfIssue}, std::pair{7L, policy.signingNotBefore},
                                      std::pair{13L, policy.signingNotAfter}}) {
        if (auto text = timeField(selector, first, time)) return give(*text, out);
    }
    switch (selector) {
    case 0: return give(policy.policyOid, out);
    case 19: return give(policy.issuerName, out);
    case 20: return give(policy.fieldOfApplication, out);
    case 21: return give(policy.issuerSecondName, out);
    case 22: return give(DigestAlgorithmName(policy.hashAlgOid), out);
    case 23: return give(policy.hashAlgOid, out);
    case 24: return give(policy.policyHashText, out);
    default: return kBadSelector;
    }
}

LONG FormatTimeStampValue(const TimeStampRecord& record, LONG selector, std::string& out) {
    if (auto text = timeField(selector, 2, record.time)) return give(*text, out);
    switch (selector) {
    case 0: return give(DecimalSerial(record.serial), out);
    case 1: return give(record.serial, out);
    case 8: return give(std::to_string(record.version), out);
    case 9: return give(record.policyOid, out);
    case 10: return give(record.nonce, out);
    case 11: return give(record.tsaName, out);
    case 12: return give(DigestAlgorithmName(record.imprintAlgOid), out);
    case 13: return give(record.imprintAlgOid, out);
    case 14: return give(record.imprintDigest, out);
    case 15: return give(DigestAlgorithmName(record.signatureAlgOid), out);
    case 16: return give(record.signatureAlgOid, out);
    case 17: return give(record.signatureDigest, out);
    default: return kBadSelector;
    }
}

LONG FormatCertificateValue(const CertInfo& certificate, LONG selector, std::string& out) {
    for (const auto& [first, time] : {std::pair{2L, certificate.notBefore}, std::pair{8L, certificate.notAfter}}) {
        if (auto text = timeField(selector, first, time)) return give(*text, out);
    }
    switch (selector) {
    case 0: return give(DecimalSerial(certificate.serialHex), out);
    case 1: return give(certificate.serialHex, out);
    case 14: return give(std::to_string(certificate.keyLength), out);
    case 15: return give(certificate.authorityExtension, out);
    case 16: return give(HexText(certificate.subjectKeyId), out);
    case 17: return give(HexText(certificate.authorityKeyId), out);
    case 18: return give(certificate.subjectDn, out);
    case 19: return give(certificate.issuerDn, out);
    case 20: return give(DigestAlgorithmName(certificate.hashAlgOid), out);
    case 21: return give(certificate.hashAlgOid, out);
    case 22: return give(CommonName(certificate), out);
    default: return kBadSelector;
    }
}

LONG FormatSignPolicyIdValue(const SignPolicyId& id, LONG selector, std::string& out) {
    switch (selector) {
    case 0: return give(id.policyOid, out);
    case 1: return give(id.uri, out);
    case 2: return give(id.noticeOrganization, out);
    case 3: return give(id.noticeNumbers, out);
    case 4: return give(id.explicitText, out);
    case 5: return give(DigestAlgorithmName(id.hashAlgOid), out);
    case 6: return give(id.hashAlgOid, out);
    case 7: return give(id.hashText, out);
    default: return kBadSelector;
    }
}
