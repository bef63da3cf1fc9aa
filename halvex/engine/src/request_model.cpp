// The request model's defaults and the rules on its kind, key, hash,
// identifier and reader fields.
#include "halvex/request_model.h"

#include <algorithm>
#include <cstdio>

#include "halvex/text_utils.h"
#include "win32/datetime.h"

namespace halvex {

namespace {

constexpr char16_t kSerialNumberOid[] = u"2.5.4.5";
constexpr char16_t kPairSeparator[] = u"|";
constexpr char16_t kDevicePrefix[] = u"\\\\.\\";

bool HoldsIdentifier(const std::u16string& value) {
    return value.find(u"PAS") != std::u16string::npos || value.find(u"IDC") != std::u16string::npos ||
           value.find(u"PNO") != std::u16string::npos;
}

// The leading decimal digits of a text; 0 when there are none or more than
// fit a key length.
int LeadingNumber(const std::u16string& text) {
    int number = 0;
    for (std::size_t i = 0; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        if (i == 9) return 0;
        number = number * 10 + (text[i] - u'0');
    }
    return number;
}

std::u16string LocalTimeText(const SYSTEMTIME& time, const char* prefix) {
    char text[40];
    std::snprintf(text, sizeof text, "%s%04u%02u%02u%02u%02u%02u", prefix, unsigned{time.wYear}, unsigned{time.wMonth},
                  unsigned{time.wDay}, unsigned{time.wHour}, unsigned{time.wMinute}, unsigned{time.wSecond});
    return {text, text + std::char_traits<char>::length(text)};
}

}  // namespace

TCertRequest::TCertRequest(const RequestAppData& appData) : m_appData(&appData) { Reset(); }

void TCertRequest::Reset() {
    *this = TCertRequest(*m_appData, DefaultsOnly{});
    SYSTEMTIME now{};
    GetLocalTime(&now);
    firstContainer = LocalTimeText(now, "");
    secondContainer = LocalTimeText(now, "C");
    hashAlgorithm = m_appData->DefaultHashOid();
}

void TCertRequest::SetRequestKind(DWORD newKind) {
    kind = newKind;
    strongProtection = true;
    keyUsage[0] = keyUsage[1] = true;
    const bool qualified = (kind & kKindQualified) != 0;
    keyUsage[2] = keyUsage[3] = keyUsage[4] = !qualified;
    if (qualified) exportableKey = false;
}

int TCertRequest::GetKeyUsage() const {
    if (kind & kKindParvelPair) return (kind & kKindQualified) ? 3 : 29;
    int mask = 0;
    for (int bit = 0; bit < 5; ++bit)
        if (keyUsage[bit]) mask |= 1 << bit;
    return mask;
}

int TCertRequest::PresetKeyUsageBasic() {
    if (!(kind & kKindParvelPair)) {
        keyUsage[0] = keyUsage[1] = true;
        keyUsage[2] = keyUsage[3] = keyUsage[4] = false;
    }
    return GetKeyUsage();
}

int TCertRequest::PresetKeyUsageAll() {
    if (!(kind & kKindParvelPair)) {
        for (bool& usage : keyUsage) usage = true;
    }
    return GetKeyUsage();
}

std::u16string TCertRequest::JoinPair(const std::u16string& first, const std::u16string& second) {
    return first + kPairSeparator + second;
}

int TCertRequest::ValidityMonths() const { return SplitPair(keyPair, kPairSeparator).second == u"6" ? 6 : 12; }

int TCertRequest::NormalizeKeyLength(int length) const {
    // A length that is not positive counts as missing.
    if (length != 512 && (length <= 0 || length % 1024 != 0)) length = 2048;
    if (IsSha2Hash() && length < 2048) length = 2048;
    return length;
}

int TCertRequest::NormalizeKeyLength() const {
    return NormalizeKeyLength(LeadingNumber(SplitPair(keyPair, kPairSeparator).first));
}

std::u16string TCertRequest::GetHashAlgorithm() const {
    return m_appData->IsAcceptedHash(hashAlgorithm) ? hashAlgorithm : m_appData->DefaultHashOid();
}

bool TCertRequest::SetHashAlgorithm(const std::u16string& oid) {
    if (!m_appData->IsAcceptedHash(oid)) return false;
    hashAlgorithm = oid;
    return true;
}

bool TCertRequest::IsSha2Hash() const { return m_appData->IsAcceptedHash(GetHashAlgorithm()); }

std::u16string TCertRequest::GetSerialNumber() const {
    for (const RequestAttr& attr : certificate.subject)
        if (attr.oid == kSerialNumberOid && HoldsIdentifier(attr.value)) return attr.value;
    return {};
}

void TCertRequest::SetSerialNumber(const std::u16string& value) {
    for (RequestAttr& attr : certificate.subject) {
        if (attr.oid == kSerialNumberOid && HoldsIdentifier(attr.value)) {
            attr.value = value;
            return;
        }
    }
    certificate.subject.push_back({kSerialNumberOid, subjectStringType, value});
}

void TCertRequest::RemoveSerialNumber() {
    const auto found =
        std::find_if(certificate.subject.begin(), certificate.subject.end(), [](const RequestAttr& attr) {
            return attr.oid == kSerialNumberOid && HoldsIdentifier(attr.value);
        });
    if (found != certificate.subject.end()) certificate.subject.erase(found);
}

bool TCertRequest::OffersIdentifier() const { return (kind & kKindQualified) != 0 && !hasIdentifier; }

std::u16string TCertRequest::ComposeIdentifier() const {
    return identifierPrefix + identifierIssuer + identifierQualifier + u"-" + identifierValue;
}

std::u16string TCertRequest::GetReaderPath() const {
    if (readerName.empty() || readerName.find(kDevicePrefix) != std::u16string::npos) return readerName;
    return kDevicePrefix + readerName + u"\\";
}

}  // namespace halvex
