#include "store/message_source.h"

#include "platform/win_error.h"
#include "win32/crypt_msg.h"
#include "win32/error.h"

namespace platform::crypt::store {

// The message's current encoding through CryptMsgGetParam, so a message
// that is not decoded yet, or a handle that is no message, fails with the
// message functions' own error.
Bytes encodedMessageOf(HCRYPTMSG message) {
    if (!message) throw WinError(E_INVALIDARG, "no message handle");
    DWORD size = 0;
    if (!CryptMsgGetParam(message, CMSG_ENCODED_MESSAGE, 0, nullptr, &size))
        throw WinError(GetLastError(), "CryptMsgGetParam");
    Bytes encoded(size);
    if (!CryptMsgGetParam(message, CMSG_ENCODED_MESSAGE, 0, encoded.data(), &size))
        throw WinError(GetLastError(), "CryptMsgGetParam");
    encoded.resize(size);
    return encoded;
}

}  // namespace platform::crypt::store
