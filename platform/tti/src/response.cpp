// response.cpp: a TimeStampResp (RFC 3161 2.4.2): its framing, its
// PKIStatusInfo and the token it carries.
#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "buffers.h"
#include "der.h"
#include "failure.h"
#include "ossl.h"

namespace tti {

namespace {

TsResp decodeResponse(std::span<const std::uint8_t> reply) {
    const unsigned char* p = reply.data();
    TsResp response(d2i_TS_RESP(nullptr, &p, static_cast<long>(reply.size())));
    if (!response) fail(TTI_E_ASN_ERROR);
    return response;
}

// The statusString texts, "; " between them, cut at a character boundary to fit.
void copyStatusText(const TS_STATUS_INFO* info, TtiStatus& record) {
    std::string text;
    const STACK_OF(ASN1_UTF8STRING)* texts = TS_STATUS_INFO_get0_text(info);
    for (int i = 0; i < sk_ASN1_UTF8STRING_num(texts); ++i) {
        const ASN1_UTF8STRING* one = sk_ASN1_UTF8STRING_value(texts, i);
        if (i) text += "; ";
        text.append(reinterpret_cast<const char*>(ASN1_STRING_get0_data(one)), ASN1_STRING_length(one));
    }
    std::size_t length = std::min(text.size(), sizeof record.text - 1);
    while (length < text.size() && length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    std::memcpy(record.text, text.data(), length);
    record.text[length] = '\0';
}

std::int32_t lowestFailureBit(const TS_STATUS_INFO* info) {
    const ASN1_BIT_STRING* bits = TS_STATUS_INFO_get0_failure_info(info);
    if (!bits) return -1;
    for (int bit = 0; bit < 8 * ASN1_STRING_length(bits); ++bit)
        if (ASN1_BIT_STRING_get_bit(bits, bit)) return bit;
    return -1;
}

}  // namespace

}  // namespace tti

TTI_API int TTI_UnpackTSR(std::uint8_t* reply, std::uint32_t* length, std::int32_t* responseCode, std::uint32_t flags) {
    return tti::guarded([&] {
        if (responseCode) *responseCode = 0;
        if (!reply || !length || !responseCode || flags != 0) return int{TTI_E_PARAMETER};
        const auto header = tti::der::readHeader({reply, *length});
        if (!header || header->tag != tti::der::kSequence) return int{TTI_E_UNEXPECTED_RESPONSE};
        const std::size_t total = header->headerLength + header->contentLength;
        *responseCode =
            static_cast<std::int32_t>(std::min<std::size_t>(total, std::numeric_limits<std::int32_t>::max()));
        if (total > *length) return int{TTI_E_RESPONSE_SIZE};
        *length = static_cast<std::uint32_t>(total);
        return int{TTI_OK};
    });
}

TTI_API int TTI_GetTSR_Status(TtiStatus* status, const std::uint8_t* reply, std::uint32_t length) {
    return tti::guarded([&] {
        if (!status) return int{TTI_E_PARAMETER};
        const tti::TsResp response = tti::decodeResponse(tti::input(reply, length));
        const TS_STATUS_INFO* info = TS_RESP_get_status_info(response.get());
        *status = TtiStatus{};
        status->status = static_cast<std::int32_t>(ASN1_INTEGER_get(TS_STATUS_INFO_get0_status(info)));
        tti::copyStatusText(info, *status);
        status->failureInfo = tti::lowestFailureBit(info);
        return int{TTI_OK};
    });
}

TTI_API int TTI_GetTSR_EncodedToken(std::uint8_t* token, std::uint32_t* tokenLength, const std::uint8_t* reply,
                                    std::uint32_t length) {
    return tti::guarded([&] {
        const auto bytes = tti::input(reply, length);
        const tti::TsResp response = tti::decodeResponse(bytes);
        if (!TS_RESP_get_token(response.get())) return int{TTI_E_NO_TOKEN};
        // The token's own bytes, not OpenSSL's encoding of what it read.
        const auto outer = tti::der::read(bytes);
        const auto parts = outer ? tti::der::children(*outer) : std::nullopt;
        if (!parts || parts->size() != 2) return int{TTI_E_ASN_RESULT};
        return tti::copyOut((*parts)[1].whole, token, tokenLength);
    });
}
