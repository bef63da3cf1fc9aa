// The checks every simplified message function makes of its parameter
// record before it looks at the rest.
#pragma once

#include "platform/win_error.h"
#include "win32/crypt_types.h"

namespace platform::crypt::simple_msg {

template <class Para>
const Para& checkedPara(const Para* para) {
    if (!para || para->cbSize != sizeof(Para)) throw WinError(E_INVALIDARG, "parameter record of another size");
    return *para;
}

inline void checkEncoding(DWORD encodingType) {
    if (!(encodingType & PKCS_7_ASN_ENCODING)) throw WinError(E_INVALIDARG, "no PKCS #7 encoding");
}

}  // namespace platform::crypt::simple_msg
