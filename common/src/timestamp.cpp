// timestamp.cpp: the steps of a reply, each through the time-stamp library.
#include "common/timestamp.h"

#include <cstring>

namespace {

constexpr std::size_t kShownReplyBytes = 1024;

// A server's error page as it came, cut to a size a message can hold, up to
// its first NUL, control characters other than line ends and tabs as '.'.
std::string ShownReply(const std::vector<BYTE>& reply) {
    std::string text;
    for (std::size_t i = 0; i < reply.size() && i < kShownReplyBytes && reply[i] != 0; ++i) {
        const BYTE c = reply[i];
        const bool control = (c < 0x20 && c != '\r' && c != '\n' && c != '\t') || c == 0x7F;
        text += control ? '.' : static_cast<char>(c);
    }
    return text;
}

DWORD LengthOf(const std::vector<BYTE>& bytes) { return static_cast<DWORD>(bytes.size()); }

}  // namespace

std::string PkiStatusText(int status) {
    switch (status) {
        case 0:
            return "PKIS_granted";
        case 1:
            return "PKIS_grantedWithMods";
        case 2:
            return "PKIS_rejection";
        case 3:
            return "PKIS_waiting";
        case 4:
            return "PKIS_revocationWarning";
        case 5:
            return "PKIS_revocationNotification";
        default:
            return {};
    }
}

std::string PkiFailureInfoText(int bit) {
    switch (bit) {
        case 0:
            return "PKIFI_badAlg";
        case 2:
            return "PKIFI_badRequest";
        case 5:
            return "PKIFI_badDataFormat";
        case 14:
            return "PKIFI_timeNotAvailable";
        case 15:
            return "PKIFI_unacceptedPolicy";
        case 16:
            return "PKIFI_unacceptedExtension";
        case 17:
            return "PKIFI_addInfoNotAvailable";
        case 25:
            return "PKIFI_systemFailure";
        default:
            return {};
    }
}

bool TTimeStamp::Fail(int result, std::string text) {
    m_result = result;
    m_resultText = std::move(text);
    return result == TTI_OK;
}

bool TTimeStamp::UnpackResponse(std::vector<BYTE>& reply, DWORD flag) {
    if (!Load()) return Fail(TTI_E_NOT_LOADED);
    DWORD length = LengthOf(reply);
    std::int32_t responseCode = 0;
    const int result = m_UnpackTSR(reply.data(), &length, &responseCode, flag);
    if (result != TTI_OK) return Fail(result, "respcode:" + std::to_string(responseCode));
    reply.resize(length);
    return Fail(TTI_OK);
}

bool TTimeStamp::CheckResponseStatus(const std::vector<BYTE>& reply) {
    if (!Load()) return Fail(TTI_E_NOT_LOADED);
    TtiStatus status{};
    const int result = m_GetTSR_Status(&status, reply.data(), LengthOf(reply));
    if (result != TTI_OK) return Fail(result, ShownReply(reply));
    if (status.status == 0 || status.status == 1) return Fail(TTI_OK);
    return Fail(TTI_E_RESPONSE_STATUS, std::to_string(status.status) + ":" + PkiStatusText(status.status) + ", " +
                                           std::to_string(status.failureInfo) + ": " +
                                           PkiFailureInfoText(status.failureInfo) + ", " + status.text);
}

bool TTimeStamp::GetEncodedToken(const std::vector<BYTE>& reply, std::vector<BYTE>& token) {
    if (!Load()) return Fail(TTI_E_NOT_LOADED);
    DWORD length = 0;
    const int result = m_GetTSR_EncodedToken(nullptr, &length, reply.data(), LengthOf(reply));
    if (result != TTI_OK && result != TTI_E_BUFFER_TOO_SMALL) return Fail(result);
    token.resize(length);
    if (!Fail(m_GetTSR_EncodedToken(token.data(), &length, reply.data(), LengthOf(reply)))) return false;
    token.resize(length);
    return true;
}

bool TTimeStamp::GetTokenInfo(const std::vector<BYTE>& token, TtiTokenInfo& info) {
    if (!Load()) return Fail(TTI_E_NOT_LOADED);
    info = TtiTokenInfo{};
    info.size = sizeof info;
    return Fail(m_GetTST_TSTInfoEx(&info, token.data(), LengthOf(token)));
}

bool TTimeStamp::CheckToken(const std::vector<BYTE>& token, const TTimeStampQuery& query) {
    if (!Load()) return Fail(TTI_E_NOT_LOADED);
    if (!Fail(m_VerifyTST_Signature(token.data(), LengthOf(token)))) return false;
    TtiTokenInfo info;
    if (!GetTokenInfo(token, info)) return false;

    const TtiImprint asked = query.GetMessageImprint();
    const bool sameImprint = std::strcmp(asked.hashAlgOid, info.imprint.hashAlgOid) == 0 &&
                             asked.hashLength == info.imprint.hashLength &&
                             std::memcmp(asked.hash, info.imprint.hash, asked.hashLength) == 0;
    if (!sameImprint) return Fail(TTI_E_UNEXPECTED_RESPONSE, "(the message imprint is not the request's)");
    const TtiInteger nonce = query.GetNonce();
    if (nonce.length != info.nonce.length || std::memcmp(nonce.bytes, info.nonce.bytes, nonce.length) != 0)
        return Fail(TTI_E_UNEXPECTED_RESPONSE, "(the nonce is not the request's)");
    return true;
}
