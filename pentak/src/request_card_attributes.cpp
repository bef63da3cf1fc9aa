// CEnroll: request attributes that describe the open key's provider and the
// card behind it. What the card providers answer to their own parameters is
// their business; the request carries it as it comes.
#include "encode_steps.h"
#include "enroll.h"
#include "platform/text.h"
#include "request_params.h"
#include "request_values.h"
#include "win32/crypt_provider.h"
#include "win32/error.h"
#include "win32/error_codes.h"

namespace {

constexpr std::string_view kCspInfoOid = "1.3.6.1.4.1.32473.4.2";
constexpr std::string_view kSmartCardInfoOid = "1.3.6.1.4.1.6625.1.2.1";
constexpr std::string_view kKavloCardInfoOid = "1.3.6.1.4.1.32473.4.1";

// The card providers' own parameters.
constexpr DWORD kCardDataParam = 0x10000;        // of the provider, at most kCardDataRoom bytes
constexpr DWORD kCardDataRoom = 228;
constexpr DWORD kCardVendorParam = 0x10000000;   // of the provider, or of a key
constexpr DWORD kKeyInfoFlags = 0x4000000;       // with KP_INFO
constexpr std::size_t kKavloCardDataSize = 58;  // card number (2), serial (16), data (40)

// INTEGER 0 and INTEGER 1, the versions of the attribute values.
const std::vector<BYTE> kVersion0 = {0x02, 0x01, 0x00};
const std::vector<BYTE> kVersion1 = {0x02, 0x01, 0x01};

// A provider text as a BMPString.
bool encodeBmpText(const std::string& ansi, std::vector<BYTE>& out, int sizeLine, int dataLine) {
    std::vector<BYTE> bytes;
    ValueBytes(platform::text::toWide(ansi), CERT_RDN_BMP_STRING, bytes);
    const CERT_NAME_VALUE value{CERT_RDN_BMP_STRING, {static_cast<DWORD>(bytes.size()), bytes.data()}};
    return EncodeStep(X509_NAME_VALUE, &value, out, sizeLine, dataLine);
}

// The card attributes need the open key's context; without one they fail
// without a note.
bool noOpenKey() {
    SetLastError(static_cast<DWORD>(NTE_BAD_UID));
    return false;
}

}  // namespace

BOOL CEnroll::AddAttribute_CSPInfo() {
    std::string provider, container;
    std::vector<BYTE> providerValue, containerValue, value;
    if (!ReadProviderTextStep(m_hProv, PP_NAME, provider, 477, 479) ||
        !encodeBmpText(provider, providerValue, 490, 492) ||
        !ReadProviderTextStep(m_hProv, PP_CONTAINER, container, 500, 502) ||
        !encodeBmpText(container, containerValue, 512, 514) ||
        !EncodeSequenceStep({kVersion0, providerValue, containerValue}, value, 523, 525))
        return FALSE;
    addRequestAttribute(kCspInfoOid, std::move(value));
    return TRUE;
}

BOOL CEnroll::AddAttribute_SmartCardInfo() {
    std::vector<BYTE> cardData, keyInfo, cardOctets, keyOctets, value;
    if (!ReadProviderParamStep(m_hProv, kCardDataParam, kCardDataRoom, cardData, 616) ||
        !EncodeOctetStringStep(cardData, cardOctets, 620, 622) ||
        !ReadUserKeyParamStep(m_hProv, m_keySpec, KP_INFO, kKeyInfoFlags, keyInfo, 627, 632, 634) ||
        !EncodeOctetStringStep(keyInfo, keyOctets, 638, 640) ||
        !EncodeSequenceStep({kVersion0, cardOctets, keyOctets}, value, 649, 651))
        return FALSE;
    addRequestAttribute(kSmartCardInfoOid, std::move(value));
    return TRUE;
}

BOOL CEnroll::AddAttribute_SmartCardInfoSC() {
    if (!m_hProv) return noOpenKey();
    std::vector<BYTE> vendorData, emptyOctets, vendorOctets, value;
    if (!ReadProviderParamStep(m_hProv, kCardVendorParam, vendorData, 708, 712) ||
        !EncodeOctetStringStep(std::vector<BYTE>(kCardDataRoom), emptyOctets, 739, 741) ||
        !EncodeOctetStringStep(vendorData, vendorOctets, 748, 750) ||
        !EncodeSequenceStep({kVersion1, emptyOctets, vendorOctets}, value, 758, 760))
        return FALSE;
    addRequestAttribute(kSmartCardInfoOid, std::move(value));
    return TRUE;
}

BOOL CEnroll::AddAttribute_KavloCardInfo() {
    if (hasRequestAttribute(kKavloCardInfoOid)) return TRUE;
    if (!m_hProv) return noOpenKey();
    std::vector<BYTE> data;
    if (!ReadUserKeyParamStep(m_hProv, m_keySpec, kCardVendorParam, 0, data, 828, 832, 836)) return FALSE;
    if (data.size() != kKavloCardDataSize) {
        SetLastError(ERROR_BAD_FORMAT);
        return FailedAt(849);
    }
    // The card number is an INTEGER of its two bytes as the card gives them.
    const std::vector<BYTE> cardNumber = {0x02, 0x02, data[0], data[1]};
    std::vector<BYTE> serialOctets, dataOctets, value;
    if (!EncodeOctetStringStep({data.begin() + 2, data.begin() + 18}, serialOctets, 879, 881) ||
        !EncodeOctetStringStep({data.begin() + 18, data.end()}, dataOctets, 888, 890) ||
        !EncodeSequenceStep({kVersion1, cardNumber, serialOctets, dataOctets}, value, 898, 900))
        return FALSE;
    addRequestAttribute(kKavloCardInfoOid, std::move(value));
    return TRUE;
}
