// CryptMsgOpenToDecode, CryptMsgUpdate, CryptMsgGetParam, CryptMsgDuplicate
// and CryptMsgClose over the table of open messages.
#include "msg/get_param.h"
#include "msg/message.h"
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
