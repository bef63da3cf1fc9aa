#include <openssl/err.h>

#include <string>

#include "openssl_types.h"
#include "platform/win_error.h"

namespace platform::crypt::provider {

void throwOpenSsl(DWORD code, std::string_view call) {
    std::string what(call);
    while (const unsigned long e = ERR_get_error()) {
        char text[256];
        ERR_error_string_n(e, text, sizeof text);
        what += "; ";
        what += text;
    }
    throw WinError(code, what);
}

}  // namespace platform::crypt::provider
