// display_name.cpp: hexadecimal text and the display text of certificates.
#include "display_name.h"

#include <algorithm>
#include <cstdio>

#include "platform/crypt_names.h"
#include "win32/datetime.h"

namespace {

// The serial number is stored least significant byte first: read from the
// last byte, in one group, it is the number as people write it.
constexpr DWORD kSerialFlags = kHexGroupSizeGiven | kHexLastByteFirst;

// The buffer rule of both texts; *length is the buffer's room on entry.
bool copyOut(const std::u16string& text, char16_t* buffer, DWORD* length) {
    const DWORD needed = static_cast<DWORD>(text.size() + 1);
    if (!buffer || *length < needed) {
        *length = needed;
        return false;
    }
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = u'\0';
    *length = static_cast<DWORD>(text.size());
    return true;
}

// The common name of the subject, or of the issuer with CERT_NAME_ISSUER_FLAG.
std::u16string commonName(PCCERT_CONTEXT certificate, DWORD flags) {
    char oid[] = szOID_COMMON_NAME;
    return platform::crypt::certificateName(certificate, CERT_NAME_ATTR_TYPE, flags, oid);
}

}  // namespace

std::u16string HexText(const BYTE* bytes, DWORD count, DWORD flags) {
    static constexpr char16_t kUpper[] = u"0123456789ABCDEF";
    static constexpr char16_t kLower[] = u"0123456789abcdef";
    const char16_t* digits = (flags & kHexLowerCase) ? kLower : kUpper;
    DWORD groupSize = (flags & kHexGroupSizeGiven) ? (flags >> 16) & 0xFF : 2;
    if (groupSize == 0) groupSize = std::max<DWORD>(count, 1);
    const char16_t separator = (flags & kHexSeparatorGiven) ? static_cast<char16_t>((flags >> 24) & 0xFF) : u' ';
    std::u16string text;
    for (DWORD i = 0; i < count; ++i) {
        if (i % groupSize == 0) {
            if (i != 0) text += separator;
            if (flags & kHexPrefixGroups) text += u"0x";
        }
        const BYTE byte = bytes[(flags & kHexLastByteFirst) ? count - 1 - i : i];
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

bool HexTextToBuffer(const BYTE* bytes, DWORD count, char16_t* buffer, DWORD* length, DWORD flags) {
    return copyOut(HexText(bytes, count, flags), buffer, length);
}

bool FormatCertDisplayName(PCCERT_CONTEXT certificate, char16_t* buffer, DWORD* length) {
    if (!certificate || !length) return false;
    const CERT_INFO& info = *certificate->pCertInfo;
    SYSTEMTIME start{};
    if (!FileTimeToSystemTime(&info.NotBefore, &start) || start.wYear < 1000 || start.wYear > 9999) return false;
    char date[32];
    const int dateLength = std::snprintf(date, sizeof date, "%4d-%02d-%02d", start.wYear, start.wMonth, start.wDay);
    const std::u16string text = commonName(certificate, 0) + u" [" + std::u16string(date, date + dateLength) + u"][" +
                                HexText(info.SerialNumber.pbData, info.SerialNumber.cbData, kSerialFlags) + u"](" +
                                commonName(certificate, CERT_NAME_ISSUER_FLAG) + u")";
    if (!buffer || *length == 0) {
        *length = static_cast<DWORD>(text.size() + 1);
        return true;
    }
    return copyOut(text, buffer, length);
}
