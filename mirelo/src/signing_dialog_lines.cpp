// The hash line and the certificate lines of the signing dialogs.
#include <string>

#include "common/cryptoapi.h"
#include "common/log.h"
#include "common/resource.h"
#include "common/system_error.h"
#include "common/time_text.h"
#include "platform/text.h"
#include "signer.h"
#include "signer_hash_text.h"
#include "win32/crypt_types.h"
#include "win32/datetime.h"
#include "win32/dialogs.h"

namespace {

constexpr int kHashCaption = 210;
constexpr int kHashText = 212;
constexpr int kExpiryLine = 238;

constexpr DWORD kHashGroup = 1;
constexpr LONG kSignatureKind = 1;

constexpr DWORD kTextHashCaption = 11;
constexpr DWORD kTextEndedOne = 35;
constexpr DWORD kTextEndedFew = 36;
constexpr DWORD kTextEndedMany = 37;
constexpr DWORD kTextRemainsOne = 38;
constexpr DWORD kTextRemainsFew = 40;
constexpr DWORD kTextRemainsMany = 39;
constexpr DWORD kTextRenew = 41;
constexpr DWORD kTextExpiresOn = 42;

constexpr LONGLONG kDay = 864000000000LL;  // FILETIME units
// A certificate closer to its end than this is shown in red.
constexpr LONGLONG kWarningDays = 30;
// From this day count down the user is told to renew.
constexpr LONGLONG kRenewDays = 29;

std::string Text(DWORD id) {
    std::string text;
    TResource::Instance()->FormatString(text, id);
    return text;
}

// The calendar day of a UTC file time in local time.
LONGLONG LocalDay(FILETIME time) {
    FILETIME local{};
    if (!FileTimeToLocalFileTime(&time, &local)) local = time;
    return static_cast<LONGLONG>((static_cast<ULONGLONG>(local.dwHighDateTime) << 32) | local.dwLowDateTime) / kDay;
}

// The digest the certificate is signed with, when the system knows it.
ALG_ID CertificateDigest(const CertInfo& certificate) {
    const ALG_ID known = TCryptoapi::OidToAlgId(TCryptoapi::CheckHashAlgOid(certificate.hashAlgOid, 1));
    return known ? known : CALG_SHA1;
}

}  // namespace

void TSigner::SetHash2Ctrl(HWND dialog, ALG_ID algorithm, SignJobDocument& document) {
    SIGNER_TRACE();
    CertInfo certificate;
    const bool hasCertificate = GetCertificate(kSignatureKind, certificate, false);
    if (algorithm == 0) algorithm = hasCertificate ? CertificateDigest(certificate) : CALG_SHA1;
    std::string hash;
    if (document.hashAlgorithm == algorithm && !document.hashText.empty()) {
        hash = document.hashText;
    } else if (hasCertificate && !certificate.providerName.empty() &&
               !platform::text::equalsNoCase(platform::text::toWide(certificate.providerName),
                                             platform::text::toWide(m_csp.GetName()))) {
        // The certificate's own provider makes the digest.
        TCryptoapi own;
        own.EnumContainerCertificates(certificate.providerName, certificate.providerType, true);
        std::vector<BYTE> digest;
        if (own.HashVector(document.bytes, algorithm, digest) && !digest.empty()) {
            hash = GroupedHex(digest);
        } else {
            Log(sgLogLevelErrs, "SetHash2Ctrl():GetHash(): failed. " + GetSystemErrorText());
        }
    } else if (ComputeHash(document.bytes, algorithm, hash, true) != 0) {
        hash.clear();
        SetError(kErrHashFailed, "SetHash2Ctrl():ComputeHash(): failed. ");
    }
    if (hash.empty()) {
        TResource::Instance()->FormatMessage(hash, kErrHashFailed);
    } else {
        document.hashAlgorithm = algorithm;
        document.hashText = hash;
    }
    std::string caption;
    TResource::Instance()->FormatString(caption, kTextHashCaption, TCryptoapi::GetAlgName(algorithm, kHashGroup).c_str());
    SetDlgItemTextA(dialog, kHashCaption, caption.c_str());
    SetDlgItemTextA(dialog, kHashText, hash.c_str());
}

bool TSigner::SetCertificateLine(HWND dialog, LONG kind, int control) {
    SIGNER_TRACE_VALUE(kind);
    CertInfo certificate;
    const bool found = GetCertificate(kind, certificate, false);
    SetDlgItemTextA(dialog, control, found ? certificate.subjectDn.c_str() : "");
    if (kind != kSignatureKind) return false;
    if (!found) {
        SetDlgItemTextA(dialog, kExpiryLine, "");
        return false;
    }
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const LONGLONG days = LocalDay(certificate.notAfter) - LocalDay(now);
    FILETIME localEnd{};
    if (!FileTimeToLocalFileTime(&certificate.notAfter, &localEnd)) localEnd = certificate.notAfter;
    std::string count;
    if (days >= 0)
        TResource::Instance()->FormatByKind(count, static_cast<int>(days), kTextRemainsOne, kTextRemainsFew,
                                            kTextRemainsMany);
    else
        TResource::Instance()->FormatByKind(count, static_cast<int>(-days), kTextEndedOne, kTextEndedFew,
                                            kTextEndedMany);
    std::string line = Text(kTextExpiresOn) + " " + FileTimeToLocalText(DATE_LONGDATE, localEnd) + ", " + count;
    if (days <= kRenewDays) line += ", " + Text(kTextRenew);
    SetDlgItemTextA(dialog, kExpiryLine, line.c_str());
    return days < kWarningDays;
}
