// CryptMsgOpenToDecode, CryptMsgOpenToEncode, CryptMsgUpdate,
// CryptMsgGetParam, CryptMsgControl, CryptMsgDuplicate and CryptMsgClose
// over the table of open messages.
#include <string_view>

#include "msg/control.h"
#include "msg/enveloped_encoder.h"
#include "msg/get_param.h"
#include "msg/message.h"
#include "msg/signed_encoder.h"
#include "platform/boundary.h"
#include "platform/handle_table.h"
#include "win32/crypt_msg.h"

using namespace platform;
using namespace platform::crypt::msg;

namespace {

HandleTable<Message>& messages() {
    static HandleTable<Message> table(ERROR_INVALID_HANDLE);
    return table;
}

ULONG_PTR keyOf(HCRYPTMSG handle) { return reinterpret_cast<ULONG_PTR>(handle); }

std::shared_ptr<Message> messageOf(HCRYPTMSG handle) { return messages().get(keyOf(handle)); }

std::unique_ptr<ContentEncoder> encoderFor(DWORD type, DWORD flags, const void* info) {
    if (!info) throw WinError(E_INVALIDARG, "no encode information");
    switch (type) {
    case CMSG_SIGNED:
        return std::make_unique<SignedEncoder>(*static_cast<const CMSG_SIGNED_ENCODE_INFO*>(info),
                                               (flags & CMSG_DETACHED_FLAG) != 0);
    case CMSG_ENVELOPED:
        return std::make_unique<EnvelopedEncoder>(*static_cast<const CMSG_ENVELOPED_ENCODE_INFO*>(info));
    default: throw WinError(CRYPT_E_INVALID_MSG_TYPE, "message type not encoded here");
    }
}

}  // namespace

HCRYPTMSG CryptMsgOpenToDecode(DWORD dwMsgEncodingType, DWORD dwFlags, DWORD dwMsgType, HCRYPTPROV_LEGACY hCryptProv,
                               PCERT_INFO, PCMSG_STREAM_INFO pStreamInfo) noexcept {
    return winValue<HCRYPTMSG>(nullptr, [&] {
        if (!(dwMsgEncodingType & PKCS_7_ASN_ENCODING)) throw WinError(E_INVALIDARG, "no PKCS #7 encoding");
        if (pStreamInfo) throw WinError(E_INVALIDARG, "streamed decoding is not offered");
        if (dwMsgType != 0 && dwMsgType != CMSG_DATA && dwMsgType != CMSG_SIGNED)
            throw WinError(CRYPT_E_INVALID_MSG_TYPE, "message type not decoded here");
        auto message = std::make_shared<Message>(dwMsgType, (dwFlags & CMSG_DETACHED_FLAG) != 0, hCryptProv);
        return reinterpret_cast<HCRYPTMSG>(messages().add(std::move(message)));
    });
}

HCRYPTMSG CryptMsgOpenToEncode(DWORD dwMsgEncodingType, DWORD dwFlags, DWORD dwMsgType, const void* pvMsgEncodeInfo,
                               LPSTR pszInnerContentObjID, PCMSG_STREAM_INFO pStreamInfo) noexcept {
    return winValue<HCRYPTMSG>(nullptr, [&] {
        if (!(dwMsgEncodingType & PKCS_7_ASN_ENCODING)) throw WinError(E_INVALIDARG, "no PKCS #7 encoding");
        if (pStreamInfo) throw WinError(E_INVALIDARG, "streamed encoding is not offered");
        if (pszInnerContentObjID && std::string_view(pszInnerContentObjID) != szOID_RSA_data)
            throw WinError(E_INVALIDARG, "inner content types other than data are not encoded here");
        auto message = std::make_shared<Message>(dwMsgType, encoderFor(dwMsgType, dwFlags, pvMsgEncodeInfo));
        return reinterpret_cast<HCRYPTMSG>(messages().add(std::move(message)));
    });
}

BOOL CryptMsgUpdate(HCRYPTMSG hCryptMsg, const BYTE* pbData, DWORD cbData, BOOL fFinal) noexcept {
    return winBool([&] {
        const auto message = messageOf(hCryptMsg);
        if (!pbData && cbData) throw WinError(E_INVALIDARG, "null data");
        try {
            message->update({pbData, cbData}, fFinal != FALSE);
        } catch (const std::bad_alloc&) {
            throw WinError(E_OUTOFMEMORY, "no memory for the message");  // the code CryptoAPI gives here
        }
        return true;
    });
}

BOOL CryptMsgGetParam(HCRYPTMSG hCryptMsg, DWORD dwParamType, DWORD dwIndex, void* pvData, DWORD* pcbData) noexcept {
    return winBool([&] {
        getParam(*messageOf(hCryptMsg), dwParamType, dwIndex, pvData, pcbData);
        return true;
    });
}

BOOL CryptMsgControl(HCRYPTMSG hCryptMsg, DWORD, DWORD dwCtrlType, const void* pvCtrlPara) noexcept {
    return winBool([&] {
        control(*messageOf(hCryptMsg), dwCtrlType, pvCtrlPara);
        return true;
    });
}

HCRYPTMSG CryptMsgDuplicate(HCRYPTMSG hCryptMsg) noexcept {
    return winValue<HCRYPTMSG>(nullptr, [&]() -> HCRYPTMSG {
        if (!hCryptMsg) return nullptr;
        messageOf(hCryptMsg)->addReference();
        return hCryptMsg;
    });
}

BOOL CryptMsgClose(HCRYPTMSG hCryptMsg) noexcept {
    return winBool([&] {
        if (!hCryptMsg) return true;
        if (messageOf(hCryptMsg)->dropReference()) messages().remove(keyOf(hCryptMsg));
        return true;
    });
}
