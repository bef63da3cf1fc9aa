#include "request_body.h"

#include "common/base64.h"
#include "common/pem.h"
#include "halvex/renew_armour.h"
#include "halvex/request_model.h"
#include "platform/text.h"

namespace halvex {

std::string RequestBody(const std::string& container, const std::u16string& secondPkcs7,
                        const std::u16string& thirdPkcs7) {
    std::string base64;
    Base64ConvertBuffer(reinterpret_cast<const BYTE*>(container.data()), static_cast<DWORD>(container.size()), base64,
                        BASE64_ENCODE | BASE64_LF_ONLY);
    if (!base64.empty() && base64.back() != '\n') base64 += '\n';
    std::u16string body = PemKydBlock(platform::text::fromUtf8(base64));
    body += secondPkcs7;
    body += thirdPkcs7;
    return platform::text::toUtf8(body);
}

std::u16string ProposedRequestName(const std::u16string& timeStamp, DWORD kind, bool withSecond) {
    const char16_t* suffix = u"_qc";
    if (withSecond) suffix = (kind & kKindLawyerCardPair) ? u"_sak" : u"_parvel";
    return u"req_" + timeStamp + suffix;
}

}  // namespace halvex
