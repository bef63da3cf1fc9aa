#include "store/message_source.h"

#include "platform/win_error.h"

namespace platform::crypt::store {

// Low-level message handles are not built yet: until they are, no handle
// is one, and the open fails as it does for any handle that is not a message.
Bytes encodedMessageOf(HCRYPTMSG message) {
    if (!message) throw WinError(E_INVALIDARG, "no message handle");
    throw WinError(ERROR_INVALID_HANDLE, "not a message handle");
}

}  // namespace platform::crypt::store
